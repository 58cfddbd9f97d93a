#include "cli/road_outcome.h"

#include <cstdio>

#include "cli/exit_codes.h"

namespace zentrel::cli {

const char* StageName(std::uint8_t state) {
  switch (state) {
    case ResetDevice:
    case ResetDelay: return "resetting";
    case Connect: return "searching";
    case BootStatus:
    case StatusDelay:
    case ReadBootStrings: return "reading the boot loader";
    case SendImageKind:
    case AwaitErase: return "erasing";
    case WritePacket:
    case AwaitPacketAck: return "writing";
    default: return "asking the application";
  }
}

std::string InterruptedText(const BootSequencer& s, std::uint32_t pagesDone,
                            std::uint32_t pages) {
  char text[200];
  if (s.SequencerState() == WritePacket || s.SequencerState() == AwaitPacketAck) {
    std::snprintf(text, sizeof text,
                  "download interrupted after page %u of %u: the device holds an "
                  "incomplete image; flash it again",
                  static_cast<unsigned>(pagesDone), static_cast<unsigned>(pages));
    return text;
  }
  if (s.SequencerState() == AwaitErase) {
    return "download interrupted during the erase: the device's flash is partly erased; "
           "flash it again";
  }
  if (s.SequencerState() >= AppRequest) {
    return "interrupted: nothing was changed on the device";
  }
  if (s.SequencerState() == ResetDevice) {
    return "interrupted before anything was sent to the device";
  }
  return "interrupted before the erase: the device was reset into its boot loader and its "
         "flash is unchanged";
}

int ExitCodeForFailure(bool hasBox, const std::string& text) {
  if (!hasBox) return kExitDeviceFailed;
  if (text == "No HID device detect") return kExitNoDevice;
  if (text == "HW is uncompatible with selected SW image File" ||
      text == "HW version is uncompatible with selected SW image File" ||
      text == "Device Flash size is smaller than SW image") {
    return kExitDoesNotFit;
  }
  if (text == "File is not selected, select file please" ||
      text == "File has no data to download") {
    return kExitFileRefused;
  }
  return kExitDeviceFailed;
}

}  // namespace zentrel::cli
