#include "cli/board_record.h"

#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "sequencer/outcome_text.h"

namespace zentrel::cli {

namespace {

constexpr const char* kFieldNames[6] = {"platform", "hw_version", "boot_version",
                                        "app_info", "fw_version",  "device_id"};

std::string IsoTime(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
#ifdef _WIN32
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

}  // namespace

int ExitCodeOf(const BoardRecord& record) {
  switch (record.Failure) {
    case FailureKind::None: return kExitOk;
    case FailureKind::NoDevice: return kExitNoDevice;
    case FailureKind::DoesNotFit: return kExitDoesNotFit;
    case FailureKind::FileRefused: return kExitFileRefused;
    case FailureKind::DeviceFailed: return kExitDeviceFailed;
    case FailureKind::Stopped: return kExitInterrupted;
  }
  return kExitDeviceFailed;
}

std::string ResultLine(const BoardRecord& r, bool numbered) {
  std::string line = (r.Board.Port.empty() ? "?" : r.Board.Port) + " " +
                     (r.Board.Serial.empty() ? "?" : r.Board.Serial);
  if (numbered) line += " board " + std::to_string(r.Number);
  line += r.Passed() ? ": passed" : ": FAILED: " + r.Message;
  char tail[64];
  std::snprintf(tail, sizeof tail, " (%u pages, %.1f s)",
                static_cast<unsigned>(r.Outcome.PagesWritten), r.Seconds);
  return line + tail;
}

void AddBoardJson(nlohmann::json& j, const BoardRecord& r) {
  const RoadOutcome& o = r.Outcome;
  j["port"] = r.Board.Port;
  j["serial"] = r.Board.Serial;
  j["path"] = r.Board.Path;
  j["board"] = r.Number;
  j["exit_code"] = ExitCodeOf(r);
  j["passed"] = r.Passed();
  j["failure"] = FailureKindName(r.Failure);
  j["stage"] = PhaseWord(PhaseOf(o.Stage));
  j["message"] = r.Message;
  j["advice"] = r.Advice;
  j["status"] = o.Status;
  j["box"] = o.Box == nullptr ? "" : o.Box;
  j["pages_written"] = o.PagesWritten;
  j["pages"] = o.Pages;
  j["start"] = IsoTime(r.Start);
  j["duration_s"] = r.Seconds;
  nlohmann::json fields = nlohmann::json::object();
  for (ValueField field : FieldsOf(o.Road)) {
    fields[kFieldNames[static_cast<std::size_t>(field)]] = r.Fields[static_cast<std::size_t>(field)];
  }
  j["fields"] = fields;
}

}  // namespace zentrel::cli
