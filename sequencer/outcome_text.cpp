#include "sequencer/outcome_text.h"

#include <cstdio>

#include "sequencer/boot_sequencer.h"

namespace zentrel {

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

const char* StageWord(SequencerStage stage) { return PhaseWord(PhaseOf(stage)); }

const char* FailureKindName(FailureKind kind) {
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

std::vector<ValueField> FieldsOf(RoadKind road) {
  if (road == RoadKind::AppInfo) {
    return {ValueField::AppInfoField, ValueField::FwVersionField, ValueField::DeviceIdField};
  }
  return {ValueField::PlatformField, ValueField::HwVersionField, ValueField::BootVersionField,
          ValueField::DeviceIdField};
}

std::string DeviceHolds(const RoadOutcome& o) {
  switch (PhaseOf(o.Stage)) {
    case RoadPhase::Writing: return "the device holds an incomplete image; flash it again";
    case RoadPhase::Erasing:
      return "the device's flash is partly erased; flash it again";
    case RoadPhase::AskingApplication: return "nothing was changed on the device";
    case RoadPhase::Idle: return "nothing was sent to the device";
    default:
      if (o.Stage == SequencerStage::ResetDevice) return "nothing was sent to the device";
      if (!o.ResetSent) return "the device was not reset and its flash is unchanged";
      // The command reaching the node is no proof of a reset: only the boot
      // loader answering after it is.
      return o.BootLoaderAnswered
                 ? "the device was reset into its boot loader and its flash is unchanged"
                 : "the reset command was sent but no boot loader has answered since; the "
                   "flash is unchanged";
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
      if (o.Stage == SequencerStage::ResetDevice) {
        return "interrupted before anything was sent to the device";
      }
      // Only a download erases.
      return (o.Road == RoadKind::Download ? "interrupted before the erase: " : "interrupted: ") +
             DeviceHolds(o);
  }
}

}  // namespace zentrel
