#include "cli/board_record.h"

#include <chrono>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "cli/console_view.h"
#include "cli/exit_codes.h"
#include "sequencer/outcome_text.h"

namespace zentrel::cli {

namespace {

constexpr const char* kFieldNames[6] = {"platform", "hw_version", "boot_version",
                                        "app_info", "fw_version",  "device_id"};

std::string IsoTime(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto day = floor<days>(t);
  const year_month_day date{day};
  const hh_mm_ss time{floor<seconds>(t - day)};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

}  // namespace

int ExitCodeOf(FailureKind failure) {
  switch (failure) {
    case FailureKind::None: return kExitOk;
    case FailureKind::NoDevice: return kExitNoDevice;
    case FailureKind::DoesNotFit: return kExitDoesNotFit;
    case FailureKind::FileRefused: return kExitFileRefused;
    case FailureKind::DeviceFailed: return kExitDeviceFailed;
    case FailureKind::Stopped: return kExitInterrupted;
  }
  return kExitDeviceFailed;
}

std::string ResultLine(const RoadRecord& r, bool numbered) {
  std::string line = Shown(r.Board.Port) + " " + Shown(r.Board.Serial);
  if (numbered) line += " board " + std::to_string(r.Number);
  line += r.Passed() ? ": passed" : ": FAILED: " + r.Message;
  char tail[64];
  std::snprintf(tail, sizeof tail, " (%u pages, %.1f s)",
                static_cast<unsigned>(r.Outcome.PagesWritten), r.Seconds);
  return line + tail;
}

nlohmann::json BoardJson(const RoadRecord& r, const nlohmann::json& file) {
  const RoadOutcome& o = r.Outcome;
  nlohmann::json j = nlohmann::json::object();
  if (!file.is_null()) j["file"] = file;
  j["port"] = r.Board.Port;
  j["serial"] = r.Board.Serial;
  j["path"] = r.Board.Path;
  j["board"] = r.Number;
  j["exit_code"] = ExitCodeOf(r.Failure());
  j["passed"] = r.Passed();
  j["failure"] = FailureKindName(r.Failure());
  j["stage"] = StageWord(o.Stage);
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
  return j;
}

nlohmann::json RunJson(const char* command, const nlohmann::json& file, int exitCode,
                       nlohmann::json ending) {
  ending["event"] = "result";
  ending["command"] = command;
  if (!file.is_null()) ending["file"] = file;
  ending["exit_code"] = exitCode;
  return ending;
}

}  // namespace zentrel::cli
