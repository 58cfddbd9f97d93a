#include "sequencer/boot_sequencer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/compatibility.h"
#include "image/image_loader.h"

namespace zentrel {

namespace {
constexpr const char* kBootCaption = "BOOT info";
}  // namespace

void BootSequencer::Tick() {
  if (SequencerState == Idle) view_.EnableCommandButtons(true);
  if (SequencerState == ResetDevice) RunResetDevice();
  switch (SequencerState) {
    case ResetDelay: RunResetDelay(); break;
    case Connect: RunConnect(); break;
    case BootStatus: RunBootStatus(); break;
    case StatusDelay: RunStatusDelay(); break;
    case ReadBootStrings: RunReadBootStrings(); break;
    case AwaitErase: RunAwaitErase(); break;
    case SendImageKind: RunSendImageKind(); break;
    case WritePacket: RunWritePacket(); break;
    case AwaitPacketAck: RunAwaitPacketAck(); break;
    case AppRequest: RunAppRequest(); break;
    case AppDelay: RunAppDelay(); break;
    case ReadAppStrings: RunReadAppStrings(); break;
    default: break;
  }
}

bool BootSequencer::InTransferStage() const {
  switch (SequencerState) {
    case BootStatus:
    case ReadBootStrings:
    case SendImageKind:
    case AwaitErase:
    case WritePacket:
    case AwaitPacketAck:
    case ReadAppStrings:
      return true;
    default:
      return false;
  }
}

void BootSequencer::StartInfo() {
  ClearFields({ValueField::PlatformField, ValueField::HwVersionField,
               ValueField::BootVersionField, ValueField::DeviceIdField});
  if (SequencerState != Idle) return;
  SequencerState = ResetDevice;
  completed_ = false;
  RunMode = InfoOnly;
  TickCounter = kResetDelayTicks;
  view_.EnableCommandButtons(false);
}

void BootSequencer::StartDownload() {
  ClearFields({ValueField::PlatformField, ValueField::HwVersionField,
               ValueField::BootVersionField, ValueField::DeviceIdField});
  if (image_.ImageLoaded == 0) {
    view_.ShowMessageBox("File is not selected, select file please", "File info",
                         MessageIcon::Warning);
    return;
  }
  // A running road is never taken over; the buttons are disabled then anyway.
  if (SequencerState != Idle) return;
  // Nothing lies above the boot area: the page count would wrap.
  if (PagesToSend(image_.ImageLength) == 0) {
    view_.ShowMessageBox("File has no data to download", "File info",
                         MessageIcon::Warning);
    return;
  }
  SequencerState = ResetDevice;
  completed_ = false;
  RunMode = Download;
  TickCounter = kResetDelayTicks;
  view_.EnableCommandButtons(false);
}

void BootSequencer::StartAppInfo() {
  ClearFields({ValueField::AppInfoField, ValueField::FwVersionField});
  if (SequencerState != Idle) return;
  SequencerState = AppRequest;
  completed_ = false;
  TickCounter = kResetDelayTicks;
  appAttempts_ = 0;
  view_.EnableCommandButtons(false);
}

// --- information road --------------------------------------------------------

void BootSequencer::RunResetDevice() {
  std::int32_t n = device_.RefreshDeviceList();
  if (n > 0) {
    device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n);
    BuildKeyedCommand(Command, CMD_RESET);
    device_.SendCommandReport(Command);  // a lost reset shows in the search
    view_.SetStatusText("HID device reset finished");
  }
  SequencerState = ResetDelay;
  device_.CloseDevice();
}

void BootSequencer::RunResetDelay() {
  if (TickCounter == 0) {
    view_.SetStatusText("HID device after reset delay finished");
    SequencerState = Connect;
    TickCounter = kConnectAttempts;
  } else {
    --TickCounter;
  }
}

void BootSequencer::RunConnect() {
  std::int32_t c = --TickCounter;
  std::int32_t n = device_.RefreshDeviceList();
  if (n > 0 && device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n) == 1) {
    char product[65];
    if (TakeProductString(product) == 1) {
      view_.SetFieldText(ValueField::DeviceIdField, product);
      view_.SetStatusText("HID device active");
      BuildKeyedCommand(Command, CMD_START_BOOT);
      if (device_.SendCommandReport(Command) == 1) {
        SequencerState = BootStatus;
        view_.SetStatusText("HID device start boot sequence finished");
      } else {
        view_.SetStatusText("HID device start boot sequence fail");
        SequencerState = Idle;
        device_.CloseDevice();
      }
      return;
    }
    // Not yet a boot loader that answers: counts as an attempt like any other.
  } else if (n > 0) {
    device_.CloseDevice();
  }
  if (c > 0) return;
  Fail(nullptr, "No HID device detect");
}

void BootSequencer::RunBootStatus() {
  TickCounter = kStatusDelayTicks;
  if (device_.ReadStatusReport(Status) == 0) {
    Fail("Device CRC comunication fail", "Boot CRC error");
    return;
  }
  if (Status[2] != STATUS_OK) {
    Fail("Device CRC Error", "Boot CRC error");
    return;
  }
  FlashSizeKiB = static_cast<std::uint16_t>(Status[3] | (Status[4] << 8));
  view_.SetStatusText("Device CRC OK");
  SequencerState = StatusDelay;
}

void BootSequencer::RunStatusDelay() {
  if (TickCounter == 0) {
    EnterPoll(ReadBootStrings);
  } else {
    --TickCounter;
  }
}

void BootSequencer::RunReadBootStrings() {
  if (device_.ReadStringsReport(Strings) == 0) {
    Fail("Device Strins comunication fail", "Boot strings read error");
    return;
  }
  if (!IsUpperAsciiLetter(Strings[kPlatformOffset])) {
    if (PollExpired(kBootStringsTimeoutUs)) {
      Fail("Device Strins comunication fail", "Boot strings read error");
    }
    return;
  }
  ShowStringField(ValueField::PlatformField, kPlatformOffset, kPlatformLength);
  ShowStringField(ValueField::HwVersionField, kHwVersionOffset, kHwVersionLength);
  ShowStringField(ValueField::BootVersionField, kBootVersionOffset, kBootVersionLength);
  if (RunMode != Download) {
    SequencerState = Idle;
    completed_ = true;
    device_.CloseDevice();
    return;
  }
  const char* box = nullptr;
  const char* status = nullptr;
  switch (CheckCompatibility(Strings, FlashSizeKiB, image_)) {
    case COMPAT_OK:
      SequencerState = SendImageKind;
      return;
    case COMPAT_PLATFORM_MISMATCH:
      box = "HW is uncompatible with selected SW image File";
      status = "HW is uncompatible with SW image File";
      break;
    case COMPAT_VERSION_MISMATCH:
      box = "HW version is uncompatible with selected SW image File";
      status = "HW version is uncompatible with SW image File";
      break;
    default:
      box = status = "Device Flash size is smaller than SW image";
      break;
  }
  // Here the box comes first and the status text after it.
  SequencerState = Idle;
  device_.CloseDevice();
  view_.ShowMessageBox(box, kBootCaption, MessageIcon::Error);
  view_.SetStatusText(status);
}

// --- download stages ---------------------------------------------------------

void BootSequencer::RunSendImageKind() {
  BuildImageKindCommand(Command, image_.ImageKind);
  if (device_.SendCommandReport(Command) == 0) {
    Fail(nullptr, "HID device communication error");
    return;
  }
  EnterPoll(AwaitErase);
  view_.SetStatusText("");
}

void BootSequencer::RunAwaitErase() {
  if (device_.ReadStatusReport(Status) == 0) {
    Fail("Device Erase comunication fail", "Boot erase error");
    return;
  }
  view_.SetStatusText("");
  PageCounter = PagesToSend(image_.ImageLength);
  PacketCounter = kPacketsPerPage;
  PageNumber = 0;
  image_.WriteCursor = kBootAreaSize;
  if (Status[2] == STATUS_OK) {
    SequencerState = WritePacket;
  } else if (PollExpired(kEraseTimeoutUs)) {
    Fail("Device Erase comunication fail", "Boot erase error");
  }
}

void BootSequencer::RunWritePacket() {
  // Bytes beyond the end of ImageBuffer go out as zeros.
  const std::uint32_t cursor = image_.WriteCursor;
  const std::size_t available =
      cursor < kImageBufferSize ? std::min<std::size_t>(kPacketSize, kImageBufferSize - cursor) : 0;
  std::fill(Data.begin(), Data.end(), std::uint8_t{0});
  if (available > 0) std::memcpy(&Data[1], &image_.ImageBuffer[cursor], available);
  if (device_.WriteDataReport(Data) == 0) {
    Fail(nullptr, "Boot data write error");
    return;
  }
  EnterPoll(AwaitPacketAck);
  image_.WriteCursor += kPacketSize;
}

void BootSequencer::RunAwaitPacketAck() {
  if (device_.ReadStatusReport(Status) == 0) {
    Fail(nullptr, "Boot data write Ack error");
    return;
  }
  if (Status[2] != STATUS_PACKET_ACK) {
    if (PollExpired(kPacketAckTimeoutUs)) Fail(nullptr, "Boot data write Ack error");
    return;
  }
  SequencerState = WritePacket;
  if (--PacketCounter != 0) return;
  PacketCounter = kPacketsPerPage;
  if (--PageCounter == 0) {
    SequencerState = Idle;
    completed_ = true;
    device_.CloseDevice();
    view_.SetStatusText("BOOT successful finished ;-) ");
    view_.ShowMessageBox("Boot successful finished", kBootCaption,
                         MessageIcon::Information);
    return;
  }
  char text[40];
  std::snprintf(text, sizeof text, " BOOTLoader, Write page %d", int{PageNumber});
  ++PageNumber;
  view_.SetStatusText(text);
}

// --- application road --------------------------------------------------------

void BootSequencer::RunAppRequest() {
  std::int32_t n = device_.RefreshDeviceList();
  if (n == 0 || device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n) != 1) {
    Fail(nullptr, "Application ID request fail");
    return;
  }
  char product[65];
  if (TakeProductString(product) == 0) {
    // A device that never shows a proper product string must not hold the
    // road for ever.
    if (++appAttempts_ >= kAppRequestAttempts) Fail(nullptr, "Application ID request fail");
    return;
  }
  view_.SetFieldText(ValueField::DeviceIdField, product);
  view_.SetStatusText("HID device active");
  BuildKeyedCommand(Command, CMD_APP_ID);
  if (device_.SendCommandReport(Command) == 0) {
    Fail(nullptr, "Application ID request fail");
    return;
  }
  view_.SetStatusText("Application ID request OK");
  SequencerState = AppDelay;
}

void BootSequencer::RunAppDelay() {
  if (TickCounter == 0) {
    view_.SetStatusText("HID device after reset delay finished");
    EnterPoll(ReadAppStrings);
  } else {
    --TickCounter;
  }
}

void BootSequencer::RunReadAppStrings() {
  if (device_.ReadStringsReport(Strings) == 0) {
    Fail(nullptr, "Application strings read error");
    return;
  }
  if (!IsUpperAsciiLetter(Strings[kPlatformOffset])) {
    if (PollExpired(kAppStringsTimeoutUs)) Fail(nullptr, "Application strings read error");
    return;
  }
  ShowStringField(ValueField::AppInfoField, kPlatformOffset, kPlatformLength);
  ShowStringField(ValueField::FwVersionField, kHwVersionOffset, kHwVersionLength);
  SequencerState = Idle;
  completed_ = true;
  device_.CloseDevice();
}

// --- helpers -----------------------------------------------------------------

void BootSequencer::Fail(const char* status, const char* box) {
  if (status != nullptr) view_.SetStatusText(status);
  SequencerState = Idle;
  device_.CloseDevice();
  // Tick runs again inside the modal box and must find Idle and no device.
  view_.ShowMessageBox(box, kBootCaption, MessageIcon::Error);
}

void BootSequencer::EnterPoll(std::uint8_t state) {
  SequencerState = state;
  pollStartUs_ = clock_.NowUs();
}

bool BootSequencer::PollExpired(std::uint64_t limitUs) const {
  return clock_.NowUs() - pollStartUs_ >= limitUs;
}

int BootSequencer::TakeProductString(char (&product)[65]) {
  device_.ReadProductString(product, 64);
  if (IsUpperAsciiLetter(static_cast<std::uint8_t>(product[0]))) return 1;
  device_.CloseDevice();
  return 0;
}

void BootSequencer::ShowStringField(ValueField field, std::size_t offset,
                                    std::size_t length) {
  char text[2 + 16 + 1] = {' ', ' '};
  std::size_t i = 0;
  for (; i < length && Strings[offset + i] != 0; ++i) {
    text[2 + i] = static_cast<char>(Strings[offset + i]);
  }
  text[2 + i] = 0;
  view_.SetFieldText(field, text);
}

void BootSequencer::ClearFields(std::initializer_list<ValueField> fields) {
  for (ValueField field : fields) view_.SetFieldText(field, kClearedField);
}

}  // namespace zentrel
