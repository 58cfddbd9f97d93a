#include "sequencer/boot_sequencer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/compatibility.h"

namespace zentrel {

// The stages are this file's vocabulary.
using enum SequencerStage;

namespace {


// A polled state stays from tick to tick until its answer comes or its bound
// is reached: a number of attempts (searches) or a measured time (reports).
// Its failures, the bound's and the transfer's alike, end the road with the
// texts of its row. The row is found by the state that runs, so no state can
// be polled with another's bound.
struct PollStage {
  SequencerStage State;
  std::int32_t Attempts;  // 0: bounded by time
  std::uint64_t LimitUs;
  FailureKind Failure;
  const char* Status;  // nullptr: the road ends without a status text
  const char* Box;
};

constexpr PollStage kPollStages[] = {
    {Connect, kConnectAttempts, 0, FailureKind::NoDevice, nullptr, kNoDeviceText},
    {ReadBootStrings, 0, kBootStringsTimeoutUs, FailureKind::DeviceFailed,
     "Device Strins comunication fail", "Boot strings read error"},
    {AwaitErase, 0, kEraseTimeoutUs, FailureKind::DeviceFailed, "Device Erase comunication fail",
     "Boot erase error"},
    {AwaitPacketAck, 0, kPacketAckTimeoutUs, FailureKind::DeviceFailed, nullptr,
     "Boot data write Ack error"},
    {AppRequest, kAppRequestAttempts, 0, FailureKind::DeviceFailed, nullptr,
     "Application ID request fail"},
    {ReadAppStrings, 0, kAppStringsTimeoutUs, FailureKind::DeviceFailed, nullptr,
     "Application strings read error"},
};

constexpr const PollStage* PollStageOf(SequencerStage state) {
  for (const PollStage& stage : kPollStages) {
    if (stage.State == state) return &stage;
  }
  return nullptr;
}

constexpr bool EveryPolledStateHasARow() {
  for (SequencerStage state :
       {Connect, ReadBootStrings, AwaitErase, AwaitPacketAck, AppRequest, ReadAppStrings}) {
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
  if (state_ == Idle) view_.EnableCommandButtons(true);
  if (state_ == ResetDevice) RunResetDevice();
  switch (state_) {
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
  if (state_ != Idle) return;
  BeginRoad(RoadKind::Info, ResetDevice);
  runMode_ = RoadMode::InfoOnly;
  tickCounter_ = kResetDelayTicks;
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
  if (state_ != Idle) return;
  // Nothing lies above the boot area: the page count would wrap.
  if (PagesToSend(image_.ImageLength) == 0) {
    RefuseStart(kNothingToSendText);
    return;
  }
  BeginRoad(RoadKind::Download, ResetDevice);
  pages_ = outcome_.Pages = PagesToSend(image_.ImageLength);
  runMode_ = RoadMode::Download;
  tickCounter_ = kResetDelayTicks;
  view_.EnableCommandButtons(false);
}

void BootSequencer::StartAppInfo() {
  ClearFields({ValueField::AppInfoField, ValueField::FwVersionField});
  if (state_ != Idle) return;
  BeginRoad(RoadKind::AppInfo, AppRequest);
  EnterPoll(AppRequest);
  tickCounter_ = kResetDelayTicks;
  view_.EnableCommandButtons(false);
}

void BootSequencer::Stop() {
  if (state_ == Idle) return;
  EndRoad(FailureKind::Stopped);
}

RoadProgress BootSequencer::Progress() const {
  return RoadProgress{state_, pagesDone_, pages_};
}

// --- information road --------------------------------------------------------

void BootSequencer::RunResetDevice() {
  std::int32_t n = device_.RefreshDeviceList();
  if (n > 0) {
    device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n);
    BuildKeyedCommand(command_, CMD_RESET);
    // A lost reset shows in the search.
    outcome_.ResetSent = device_.SendCommandReport(command_) == 1;
    ShowStatus("HID device reset finished");
  }
  state_ = ResetDelay;
  device_.CloseDevice();
}

void BootSequencer::RunResetDelay() {
  if (tickCounter_ == 0) {
    ShowStatus("HID device after reset delay finished");
    EnterPoll(Connect);
  } else {
    --tickCounter_;
  }
}

void BootSequencer::RunConnect() {
  std::int32_t n = device_.RefreshDeviceList();
  if (n > 0 && device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n) == 1) {
    char product[65];
    if (KeepDeviceIfProductNamed(product)) {
      view_.SetFieldText(ValueField::DeviceIdField, product);
      ShowStatus("HID device active");
      BuildKeyedCommand(command_, CMD_START_BOOT);
      if (device_.SendCommandReport(command_) == 1) {
        state_ = BootStatus;
        ShowStatus("HID device start boot sequence finished");
      } else {
        ShowStatus("HID device start boot sequence fail");
        EndRoad(FailureKind::DeviceFailed);
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
  tickCounter_ = kStatusDelayTicks;
  if (device_.ReadStatusReport(status_) == 0) {
    Fail(FailureKind::DeviceFailed, "Device CRC comunication fail", "Boot CRC error");
    return;
  }
  if (status_[2] != STATUS_OK) {
    Fail(FailureKind::DeviceFailed, "Device CRC Error", "Boot CRC error");
    return;
  }
  outcome_.BootLoaderAnswered = true;
  flashSizeKiB_ = static_cast<std::uint16_t>(status_[3] | (status_[4] << 8));
  ShowStatus("Device CRC OK");
  state_ = StatusDelay;
}

void BootSequencer::RunStatusDelay() {
  if (tickCounter_ == 0) {
    EnterPoll(ReadBootStrings);
  } else {
    --tickCounter_;
  }
}

void BootSequencer::RunReadBootStrings() {
  if (device_.ReadStringsReport(strings_) == 0) {
    FailPoll();
    return;
  }
  // A valid report is taken whenever it comes; only an invalid one spends
  // the bound.
  if (!IsUpperAsciiLetter(strings_[kPlatformOffset])) {
    if (PollBoundReached()) FailPoll();
    return;
  }
  ShowStringField(ValueField::PlatformField, kPlatformOffset, kPlatformLength);
  ShowStringField(ValueField::HwVersionField, kHwVersionOffset, kHwVersionLength);
  ShowStringField(ValueField::BootVersionField, kBootVersionOffset, kBootVersionLength);
  if (runMode_ != RoadMode::Download) {
    EndRoad(FailureKind::None);
    return;
  }
  const char* box = nullptr;
  const char* status = nullptr;
  if (!CompatibilityFailure(CheckCompatibility(strings_, flashSizeKiB_, image_), box,
                            status)) {
    state_ = SendImageKind;
    return;
  }
  // Here the box comes first and the status text after it.
  EndRoad(FailureKind::DoesNotFit);
  ShowBox(box, kBootCaption, MessageIcon::Error);
  ShowStatus(status);
}

// --- download stages ---------------------------------------------------------

void BootSequencer::RunSendImageKind() {
  BuildImageKindCommand(command_, image_.ImageKind);
  if (device_.SendCommandReport(command_) == 0) {
    Fail(FailureKind::DeviceFailed, nullptr, "HID device communication error");
    return;
  }
  EnterPoll(AwaitErase);
  ShowStatus("");
}

void BootSequencer::RunAwaitErase() {
  if (device_.ReadStatusReport(status_) == 0) {
    FailPoll();
    return;
  }
  ShowStatus("");
  pageCounter_ = PagesToSend(image_.ImageLength);
  packetCounter_ = kPacketsPerPage;
  pageNumber_ = 0;
  writeCursor_ = kBootAreaSize;
  if (status_[2] == STATUS_OK) {
    state_ = WritePacket;
  } else if (PollBoundReached()) {
    FailPoll();
  }
}

void BootSequencer::RunWritePacket() {
  // Bytes beyond the end of ImageBuffer go out as zeros.
  const std::uint32_t cursor = writeCursor_;
  const std::size_t available =
      cursor < kImageBufferSize ? std::min<std::size_t>(kPacketSize, kImageBufferSize - cursor) : 0;
  std::fill(data_.begin(), data_.end(), std::uint8_t{0});
  if (available > 0) std::memcpy(&data_[1], &image_.ImageBuffer[cursor], available);
  if (device_.WriteDataReport(data_) == 0) {
    Fail(FailureKind::DeviceFailed, nullptr, "Boot data write error");
    return;
  }
  EnterPoll(AwaitPacketAck);
  writeCursor_ += kPacketSize;
}

void BootSequencer::RunAwaitPacketAck() {
  if (device_.ReadStatusReport(status_) == 0) {
    FailPoll();
    return;
  }
  if (status_[2] != STATUS_PACKET_ACK) {
    if (PollBoundReached()) FailPoll();
    return;
  }
  state_ = WritePacket;
  if (--packetCounter_ != 0) return;
  packetCounter_ = kPacketsPerPage;
  ++pagesDone_;
  if (--pageCounter_ == 0) {
    EndRoad(FailureKind::None);
    ShowStatus("BOOT successful finished ;-) ");
    ShowBox("Boot successful finished", kBootCaption, MessageIcon::Information);
    return;
  }
  char text[40];
  std::snprintf(text, sizeof text, " BOOTLoader, Write page %d", int{pageNumber_});
  ++pageNumber_;
  ShowStatus(text);
}

// --- application road --------------------------------------------------------

void BootSequencer::RunAppRequest() {
  std::int32_t n = device_.RefreshDeviceList();
  if (n == 0 || device_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, n) != 1) {
    FailPoll(FailureKind::NoDevice);
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
  ShowStatus("HID device active");
  BuildKeyedCommand(command_, CMD_APP_ID);
  if (device_.SendCommandReport(command_) == 0) {
    FailPoll();
    return;
  }
  ShowStatus("Application ID request OK");
  state_ = AppDelay;
}

void BootSequencer::RunAppDelay() {
  if (tickCounter_ == 0) {
    ShowStatus("HID device after reset delay finished");
    EnterPoll(ReadAppStrings);
  } else {
    --tickCounter_;
  }
}

void BootSequencer::RunReadAppStrings() {
  if (device_.ReadStringsReport(strings_) == 0) {
    FailPoll();
    return;
  }
  if (!IsUpperAsciiLetter(strings_[kPlatformOffset])) {
    if (PollBoundReached()) FailPoll();
    return;
  }
  ShowStringField(ValueField::AppInfoField, kPlatformOffset, kPlatformLength);
  ShowStringField(ValueField::FwVersionField, kHwVersionOffset, kHwVersionLength);
  EndRoad(FailureKind::None);
}

// --- helpers -----------------------------------------------------------------

void BootSequencer::BeginRoad(RoadKind road, SequencerStage stage) {
  state_ = stage;
  outcome_ = RoadOutcome{};
  outcome_.Road = road;
  pages_ = 0;
  pagesDone_ = 0;
}

void BootSequencer::EndRoad(FailureKind failure) {
  outcome_.Stage = state_;
  state_ = Idle;
  device_.CloseDevice();
  outcome_.Ended = true;
  outcome_.Failure = failure;
  outcome_.PagesWritten = pagesDone_;
}

void BootSequencer::Fail(FailureKind failure, const char* status, const char* box) {
  if (status != nullptr) ShowStatus(status);
  EndRoad(failure);
  // Tick runs again inside the modal box and must find Idle and no device.
  ShowBox(box, kBootCaption, MessageIcon::Error);
}

void BootSequencer::RefuseStart(const char* box) {
  if (state_ != Idle) {
    view_.ShowMessageBox(box, kFileInfoCaption, MessageIcon::Warning);
    return;
  }
  BeginRoad(RoadKind::Download, Idle);
  EndRoad(FailureKind::FileRefused);
  ShowBox(box, kFileInfoCaption, MessageIcon::Warning);
}

void BootSequencer::EnterPoll(SequencerStage stage) {
  state_ = stage;
  pollStartUs_ = clock_.NowUs();
  pollAttempts_ = 0;
}

bool BootSequencer::PollBoundReached() {
  const PollStage* poll = PollStageOf(state_);
  if (poll == nullptr) return true;  // only the polled stages call this
  if (poll->Attempts > 0) return ++pollAttempts_ >= poll->Attempts;
  return clock_.NowUs() - pollStartUs_ >= poll->LimitUs;
}

void BootSequencer::FailPoll(FailureKind failure) {
  const PollStage* poll = PollStageOf(state_);
  if (poll == nullptr) {  // only the polled stages call this
    EndRoad(FailureKind::DeviceFailed);
    return;
  }
  Fail(failure != FailureKind::None ? failure : poll->Failure, poll->Status, poll->Box);
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
  for (; i < length && strings_[offset + i] != 0; ++i) {
    text[2 + i] = static_cast<char>(strings_[offset + i]);
  }
  text[2 + i] = 0;
  view_.SetFieldText(field, text);
}

void BootSequencer::ClearFields(std::initializer_list<ValueField> fields) {
  for (ValueField field : fields) view_.SetFieldText(field, kClearedField);
}

void BootSequencer::ShowStatus(const char* text) {
  std::snprintf(outcome_.Status, sizeof outcome_.Status, "%s", text);
  view_.SetStatusText(text);
}

void BootSequencer::ShowBox(const char* text, const char* caption, MessageIcon icon) {
  outcome_.Box = text;
  view_.ShowMessageBox(text, caption, icon);
}

}  // namespace zentrel
