#include "sequencer/boot_sequencer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/compatibility.h"

namespace zentrel {

namespace {


// A polled state stays from tick to tick until its answer comes or its bound
// is reached: a number of attempts (searches) or a measured time (reports).
// Its failures, the bound's and the transfer's alike, end the road with the
// texts of its row. The row is found by the state that runs, so no state can
// be polled with another's bound.
struct PollStage {
  std::uint8_t State;
  std::int32_t Attempts;  // 0: bounded by time
  std::uint64_t LimitUs;
  const char* Status;  // nullptr: the road ends without a status text
  const char* Box;
};

constexpr PollStage kPollStages[] = {
    {Connect, kConnectAttempts, 0, nullptr, "No HID device detect"},
    {ReadBootStrings, 0, kBootStringsTimeoutUs, "Device Strins comunication fail",
     "Boot strings read error"},
    {AwaitErase, 0, kEraseTimeoutUs, "Device Erase comunication fail", "Boot erase error"},
    {AwaitPacketAck, 0, kPacketAckTimeoutUs, nullptr, "Boot data write Ack error"},
    {AppRequest, kAppRequestAttempts, 0, nullptr, "Application ID request fail"},
    {ReadAppStrings, 0, kAppStringsTimeoutUs, nullptr, "Application strings read error"},
};

constexpr const PollStage* PollStageOf(std::uint8_t state) {
  for (const PollStage& stage : kPollStages) {
    if (stage.State == state) return &stage;
  }
  return nullptr;
}

constexpr bool EveryPolledStateHasARow() {
  for (std::uint8_t state : {Connect, ReadBootStrings, AwaitErase, AwaitPacketAck,
                             AppRequest, ReadAppStrings}) {
    if (PollStageOf(state) == nullptr) return false;
  }
  return true;
}
static_assert(EveryPolledStateHasARow());

// The box and the status text of a refused image; false for COMPAT_OK.
bool CompatibilityFailure(CompatResult result, const char*& box, const char*& status) {
  switch (result) {
    case COMPAT_OK:
      return false;
    case COMPAT_PLATFORM_MISMATCH:
      box = "HW is uncompatible with selected SW image File";
      status = "HW is uncompatible with SW image File";
      return true;
    case COMPAT_VERSION_MISMATCH:
      box = "HW version is uncompatible with selected SW image File";
      status = "HW version is uncompatible with SW image File";
      return true;
    case COMPAT_FLASH_TOO_SMALL:
      box = status = "Device Flash size is smaller than SW image";
      return true;
  }
  // Not a result of the check: refuse rather than erase.
  box = status = "Device Flash size is smaller than SW image";
  return true;
}

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
    RefuseStart("File is not selected, select file please");
    return;
  }
  // A running road is never taken over; the buttons are disabled then anyway.
  if (SequencerState != Idle) return;
  // Nothing lies above the boot area: the page count would wrap.
  if (PagesToSend(image_.ImageLength) == 0) {
    RefuseStart("File has no data to download");
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
  EnterPoll(AppRequest);
  completed_ = false;
  TickCounter = kResetDelayTicks;
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
    EnterPoll(Connect);
  } else {
    --TickCounter;
  }
}

void BootSequencer::RunConnect() {
  std::int32_t n = device_.RefreshDeviceList();
  if (n > 0 && device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n) == 1) {
    char product[65];
    if (KeepDeviceIfProductNamed(product)) {
      view_.SetFieldText(ValueField::DeviceIdField, product);
      view_.SetStatusText("HID device active");
      BuildKeyedCommand(Command, CMD_START_BOOT);
      if (device_.SendCommandReport(Command) == 1) {
        SequencerState = BootStatus;
        view_.SetStatusText("HID device start boot sequence finished");
      } else {
        view_.SetStatusText("HID device start boot sequence fail");
        EndRoad(false);
      }
      return;
    }
    // Not yet a boot loader that answers: counts as an attempt like any
    // other, so that such a device cannot hold the search for ever.
  } else if (n > 0) {
    device_.CloseDevice();
  }
  if (PollBoundReached()) FailPoll();
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
    FailPoll();
    return;
  }
  // A valid report is taken whenever it comes; only an invalid one spends
  // the bound.
  if (!IsUpperAsciiLetter(Strings[kPlatformOffset])) {
    if (PollBoundReached()) FailPoll();
    return;
  }
  ShowStringField(ValueField::PlatformField, kPlatformOffset, kPlatformLength);
  ShowStringField(ValueField::HwVersionField, kHwVersionOffset, kHwVersionLength);
  ShowStringField(ValueField::BootVersionField, kBootVersionOffset, kBootVersionLength);
  if (RunMode != Download) {
    EndRoad(true);
    return;
  }
  const char* box = nullptr;
  const char* status = nullptr;
  if (!CompatibilityFailure(CheckCompatibility(Strings, FlashSizeKiB, image_), box,
                            status)) {
    SequencerState = SendImageKind;
    return;
  }
  // Here the box comes first and the status text after it.
  EndRoad(false);
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
    FailPoll();
    return;
  }
  view_.SetStatusText("");
  PageCounter = PagesToSend(image_.ImageLength);
  PacketCounter = kPacketsPerPage;
  PageNumber = 0;
  image_.WriteCursor = kBootAreaSize;
  if (Status[2] == STATUS_OK) {
    SequencerState = WritePacket;
  } else if (PollBoundReached()) {
    FailPoll();
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
    FailPoll();
    return;
  }
  if (Status[2] != STATUS_PACKET_ACK) {
    if (PollBoundReached()) FailPoll();
    return;
  }
  SequencerState = WritePacket;
  if (--PacketCounter != 0) return;
  PacketCounter = kPacketsPerPage;
  if (--PageCounter == 0) {
    EndRoad(true);
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
    FailPoll();
    return;
  }
  char product[65];
  if (!KeepDeviceIfProductNamed(product)) {
    // A device that never shows a proper product string must not hold the
    // road for ever.
    if (PollBoundReached()) FailPoll();
    return;
  }
  view_.SetFieldText(ValueField::DeviceIdField, product);
  view_.SetStatusText("HID device active");
  BuildKeyedCommand(Command, CMD_APP_ID);
  if (device_.SendCommandReport(Command) == 0) {
    FailPoll();
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
    FailPoll();
    return;
  }
  if (!IsUpperAsciiLetter(Strings[kPlatformOffset])) {
    if (PollBoundReached()) FailPoll();
    return;
  }
  ShowStringField(ValueField::AppInfoField, kPlatformOffset, kPlatformLength);
  ShowStringField(ValueField::FwVersionField, kHwVersionOffset, kHwVersionLength);
  EndRoad(true);
}

// --- helpers -----------------------------------------------------------------

void BootSequencer::EndRoad(bool completed) {
  SequencerState = Idle;
  device_.CloseDevice();
  completed_ = completed;
}

void BootSequencer::Fail(const char* status, const char* box) {
  if (status != nullptr) view_.SetStatusText(status);
  EndRoad(false);
  // Tick runs again inside the modal box and must find Idle and no device.
  view_.ShowMessageBox(box, kBootCaption, MessageIcon::Error);
}

void BootSequencer::RefuseStart(const char* box) {
  if (SequencerState == Idle) EndRoad(false);
  view_.ShowMessageBox(box, "File info", MessageIcon::Warning);
}

void BootSequencer::EnterPoll(std::uint8_t state) {
  SequencerState = state;
  pollStartUs_ = clock_.NowUs();
  pollAttempts_ = 0;
}

bool BootSequencer::PollBoundReached() {
  const PollStage* poll = PollStageOf(SequencerState);
  if (poll == nullptr) return true;  // only the polled stages call this
  if (poll->Attempts > 0) return ++pollAttempts_ >= poll->Attempts;
  return clock_.NowUs() - pollStartUs_ >= poll->LimitUs;
}

void BootSequencer::FailPoll() {
  const PollStage* poll = PollStageOf(SequencerState);
  if (poll == nullptr) {  // only the polled stages call this
    EndRoad(false);
    return;
  }
  Fail(poll->Status, poll->Box);
}

bool BootSequencer::KeepDeviceIfProductNamed(char (&product)[65]) {
  device_.ReadProductString(product, 64);
  if (IsUpperAsciiLetter(static_cast<std::uint8_t>(product[0]))) return true;
  device_.CloseDevice();
  return false;
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
