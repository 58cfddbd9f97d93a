#include "cli/board_record.h"

#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "sequencer/boot_sequencer.h"

namespace zentrel::cli {

namespace {

const char* FailureName(FailureKind kind) {
  switch (kind) {
    case FailureKind::None: return "";
    case FailureKind::NoDevice: return "no_device";
    case FailureKind::DoesNotFit: return "does_not_fit";
    case FailureKind::FileRefused: return "file_refused";
    case FailureKind::DeviceFailed: return "device_failed";
    case FailureKind::Stopped: return "stopped";
  }
  return "";
}

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

std::vector<ValueField> FieldsOf(RoadKind road) {
  if (road == RoadKind::AppInfo) {
    return {ValueField::AppInfoField, ValueField::FwVersionField, ValueField::DeviceIdField};
  }
  return {ValueField::PlatformField, ValueField::HwVersionField, ValueField::BootVersionField,
          ValueField::DeviceIdField};
}

int ExitCodeOf(const RoadOutcome& outcome) {
  switch (outcome.Failure) {
    case FailureKind::None: return outcome.Completed ? kExitOk : kExitDeviceFailed;
    case FailureKind::NoDevice: return kExitNoDevice;
    case FailureKind::DoesNotFit: return kExitDoesNotFit;
    case FailureKind::FileRefused: return kExitFileRefused;
    case FailureKind::DeviceFailed: return kExitDeviceFailed;
    case FailureKind::Stopped: return kExitInterrupted;
  }
  return kExitDeviceFailed;
}

const char* PhaseWord(RoadPhase phase) {
  switch (phase) {
    case RoadPhase::Idle: return "done";
    case RoadPhase::Resetting: return "resetting";
    case RoadPhase::Searching: return "searching";
    case RoadPhase::ReadingBootLoader: return "reading the boot loader";
    case RoadPhase::Erasing: return "erasing";
    case RoadPhase::Writing: return "writing";
    case RoadPhase::AskingApplication: return "asking the application";
  }
  return "";
}

std::string DeviceHolds(const RoadOutcome& o) {
  switch (PhaseOf(o.Stage)) {
    case RoadPhase::Writing: return "the device holds an incomplete image; flash it again";
    case RoadPhase::Erasing:
      return "the device's flash is partly erased; flash it again";
    case RoadPhase::AskingApplication: return "nothing was changed on the device";
    case RoadPhase::Idle: return "nothing was sent to the device";
    default:
      return o.Stage == ResetDevice
                 ? "nothing was sent to the device"
                 : "the device was reset into its boot loader and its flash is unchanged";
  }
}

std::string StoppedText(const RoadOutcome& o) {
  char text[200];
  switch (PhaseOf(o.Stage)) {
    case RoadPhase::Writing:
      std::snprintf(text, sizeof text, "download interrupted after page %u of %u: %s",
                    static_cast<unsigned>(o.PagesWritten), static_cast<unsigned>(o.Pages),
                    DeviceHolds(o).c_str());
      return text;
    case RoadPhase::Erasing: return "download interrupted during the erase: " + DeviceHolds(o);
    case RoadPhase::AskingApplication: return "interrupted: " + DeviceHolds(o);
    default:
      return o.Stage == ResetDevice ? "interrupted before anything was sent to the device"
                                    : "interrupted before the erase: " + DeviceHolds(o);
  }
}

std::string ResultLine(const BoardRecord& r, bool numbered) {
  std::string line = (r.Board.Port.empty() ? "?" : r.Board.Port) + " " +
                     (r.Board.Serial.empty() ? "?" : r.Board.Serial);
  if (numbered) line += " board " + std::to_string(r.Number);
  line += r.ExitCode == kExitOk ? ": passed" : ": FAILED: " + r.Message;
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
  j["exit_code"] = r.ExitCode;
  j["passed"] = r.ExitCode == kExitOk;
  j["failure"] = FailureName(o.Failure);
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
