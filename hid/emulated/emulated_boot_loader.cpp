#include "hid/emulated/emulated_boot_loader.h"

#include <algorithm>
#include <cstring>

namespace zentrel::emulated {
namespace {

constexpr std::uint32_t kPacketsPerPage = kBytesPerPage / kBytesPerDataReport;

bool HasCommandKey(const CommandReport& report) {
  return std::equal(CommandKey.begin(), CommandKey.end(), report.begin() + 5);
}

// Copies text into a fixed field, cut to its width, the rest zero.
void PutField(std::uint8_t* report, std::size_t offset, std::size_t width,
              const std::string& text) {
  const std::size_t n = std::min(width, text.size());
  std::memcpy(report + offset, text.data(), n);
}

std::uint64_t ToUs(int timeoutMs) {
  return static_cast<std::uint64_t>(timeoutMs) * 1000u;
}

}  // namespace

EmulatedBootLoader::EmulatedBootLoader(Clock& clock, BusLock& lock,
                                       const BootLoaderConfig& config, std::string path)
    : clock_(clock),
      lock_(lock),
      config_(config),
      path_(std::move(path)),
      flash_(static_cast<std::size_t>(config.FlashSizeKiB) * 1024u, 0xFF),
      mode_(config.StartInBootLoader ? DeviceMode::BootLoader
                                     : DeviceMode::Application) {}

bool EmulatedBootLoader::ComesBackBy(std::uint64_t nowUs) const {
  return !present_ && backAtUs_ && nowUs >= *backAtUs_;
}

bool EmulatedBootLoader::Present() const {
  std::lock_guard<BusLock> hold(lock_);
  return present_ || ComesBackBy(clock_.NowUs());
}

DeviceMode EmulatedBootLoader::Mode() const {
  std::lock_guard<BusLock> hold(lock_);
  // Every comeback is a boot loader start.
  return ComesBackBy(clock_.NowUs()) ? DeviceMode::BootLoader : mode_;
}

void EmulatedBootLoader::Refresh() {
  if (ComesBackBy(clock_.NowUs())) {
    present_ = true;
    backAtUs_.reset();
    mode_ = DeviceMode::BootLoader;
    ResetSession();
  }
}

void EmulatedBootLoader::LeaveBus(std::optional<std::uint64_t> backAtUs, const char* why) {
  present_ = false;
  leftBecause_ = why;
  ++generation_;
  backAtUs_ = backAtUs;
  ResetSession();
}

void EmulatedBootLoader::ResetSession() {
  bootStarted_ = false;
  status_ = kStatusIdle;
  statusValue_ = 0;
  busy_ = false;
  busyUntilUs_.reset();
  erased_ = false;
  writeAddress_ = kFirstWriteAddress;
  packetsSinceErase_ = 0;
  inputFromUs_.reset();
  invalidReadsLeft_ = 0;
}

bool EmulatedBootLoader::Openable() const { return Present() && !cannotOpen_; }

std::size_t EmulatedBootLoader::DataReportCount() const {
  std::lock_guard<BusLock> hold(lock_);
  return dataReports_;
}

int EmulatedBootLoader::OpenCount() const {
  std::lock_guard<BusLock> hold(lock_);
  return opens_;
}

int EmulatedBootLoader::ProbeOpenCount() const {
  std::lock_guard<BusLock> hold(lock_);
  return probeOpens_;
}

int EmulatedBootLoader::ResetCount() const {
  std::lock_guard<BusLock> hold(lock_);
  return resets_;
}

int EmulatedBootLoader::EraseCount() const {
  std::lock_guard<BusLock> hold(lock_);
  return erases_;
}

int EmulatedBootLoader::ProtocolErrors() const {
  std::lock_guard<BusLock> hold(lock_);
  return protocolErrors_;
}

std::optional<char> EmulatedBootLoader::ImageKind() const {
  std::lock_guard<BusLock> hold(lock_);
  return imageKind_;
}

void EmulatedBootLoader::NoteOpen(bool probe) {
  if (probe) {
    ++probeOpens_;
  } else {
    ++opens_;
  }
}

bool EmulatedBootLoader::TakeFault(std::optional<std::uint64_t>& at,
                                   std::uint64_t count) {
  if (at && *at == count) {
    at.reset();
    return true;
  }
  return false;
}

void EmulatedBootLoader::InjectFault(FaultKind kind, int n) {
  std::lock_guard<BusLock> hold(lock_);
  // Counted transfers: n = 1 is the next one.
  const std::uint64_t ahead = static_cast<std::uint64_t>(std::max(n, 1));
  switch (kind) {
    case FaultKind::FailSetFeature: failSetFeatureAt_ = setFeatures_ + ahead; break;
    case FaultKind::FailGetFeature: failGetFeatureAt_ = getFeatures_ + ahead; break;
    case FaultKind::FailOutput: failOutputAt_ = outputs_ + ahead; break;
    case FaultKind::FailInput: failInputAt_ = inputs_ + ahead; break;
    case FaultKind::StopAnswering: stopAnswering_ = true; break;
    case FaultKind::Vanish:
      if (n <= 0) {
        Refresh();
        LeaveBus(std::nullopt, "vanish");
      } else {
        vanishAfterDataReport_ = dataReports_ + static_cast<std::uint64_t>(n);
      }
      break;
    case FaultKind::NoValidBootStrings: noValidBootStrings_ = true; break;
    case FaultKind::NoValidAppStrings: noValidAppStrings_ = true; break;
    case FaultKind::LowerCaseProductString: lowerCaseProduct_ = true; break;
    case FaultKind::WrongBootStatus: wrongBootStatus_ = true; break;
    case FaultKind::EraseNeverEnds: eraseNeverEnds_ = true; break;
    case FaultKind::AckNeverComes: noAckForDataReport_ = dataReports_ + ahead; break;
    case FaultKind::CannotOpen: cannotOpen_ = true; break;
    case FaultKind::NeverReturnsAfterReset: neverReturns_ = true; break;
    case FaultKind::IgnoresReset: ignoresReset_ = true; break;
  }
}

void EmulatedBootLoader::ClearFaults() {
  std::lock_guard<BusLock> hold(lock_);
  failSetFeatureAt_.reset();
  failGetFeatureAt_.reset();
  failOutputAt_.reset();
  failInputAt_.reset();
  vanishAfterDataReport_.reset();
  noAckForDataReport_.reset();
  stopAnswering_ = noValidBootStrings_ = noValidAppStrings_ = false;
  lowerCaseProduct_ = wrongBootStatus_ = eraseNeverEnds_ = false;
  cannotOpen_ = neverReturns_ = ignoresReset_ = false;
}

bool EmulatedBootLoader::HandleProductString(char16_t* units, std::size_t count) const {
  if (units == nullptr || count == 0) return false;
  const std::u16string& text = config_.ProductString;
  const std::size_t n = std::min(count - 1, text.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t u = text[i];
    if (lowerCaseProduct_ && u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u + 32);
    units[i] = u;
  }
  units[n] = 0;
  return true;
}

bool EmulatedBootLoader::HandleSetFeature(const std::uint8_t* data, std::size_t length) {
  Refresh();
  if (data == nullptr || length != kCommandReportSize || data[0] != 0) {
    return Fail(HidError::Kind::Failed, "not a 9-byte report with ID 0");
  }
  if (TakeFault(failSetFeatureAt_, ++setFeatures_)) return Fail(FaultKind::FailSetFeature);
  if (stopAnswering_) return true;  // the host's part succeeds; the firmware hangs
  CommandReport report{};
  std::copy(data, data + kCommandReportSize, report.begin());
  commands_.push_back(report);
  ExecuteCommand(report);
  return true;
}

void EmulatedBootLoader::ExecuteCommand(const CommandReport& report) {
  const std::uint8_t code = report[1];
  const std::uint64_t now = clock_.NowUs();
  if (code == CMD_IMAGE_KIND) {
    // The only command without the key: the kind letter stands in its place.
    if (mode_ != DeviceMode::BootLoader) return;
    if (!bootStarted_) {
      ++protocolErrors_;
      return;
    }
    StartErase(report[5]);
    return;
  }
  if (!HasCommandKey(report)) return;
  if (code == CMD_RESET) {
    if (ignoresReset_) return;
    // Whatever the mode, the device restarts into its boot loader.
    ++resets_;
    std::optional<std::uint64_t> back;
    if (!neverReturns_) back = now + config_.ReenumerateUs;
    LeaveBus(back, "reset");
  } else if (code == CMD_START_BOOT && mode_ == DeviceMode::BootLoader) {
    bootStarted_ = true;
    busy_ = false;
    status_ = wrongBootStatus_ ? kStatusBootFailed : STATUS_OK;
    statusValue_ = config_.FlashSizeKiB;
    inputFromUs_ = now;
    invalidReadsLeft_ = config_.InvalidStringsReads;
  } else if (code == CMD_APP_ID && mode_ == DeviceMode::Application) {
    inputFromUs_ = now + config_.AppAnswerUs;
    invalidReadsLeft_ = config_.InvalidAppStringsReads;
  }
}

void EmulatedBootLoader::StartErase(std::uint8_t kind) {
  ++erases_;
  imageKind_ = static_cast<char>(kind);
  if (flash_.size() > kFirstWriteAddress) {
    std::fill(flash_.begin() + kFirstWriteAddress, flash_.end(), std::uint8_t{0xFF});
  }
  erased_ = true;
  writeAddress_ = kFirstWriteAddress;
  packetsSinceErase_ = 0;
  status_ = STATUS_OK;
  statusValue_ = 0;
  busy_ = true;
  if (eraseNeverEnds_) {
    eraseNeverEnds_ = false;  // only this erase hangs
    busyUntilUs_.reset();
  } else {
    busyUntilUs_ = clock_.NowUs() + config_.Latency.EraseUs;
  }
}

bool EmulatedBootLoader::HandleGetFeature(std::uint8_t* data, std::size_t length) {
  Refresh();
  if (data == nullptr || length != kStatusReportSize || data[0] != 0) {
    return Fail(HidError::Kind::Failed, "not a 9-byte report with ID 0");
  }
  if (TakeFault(failGetFeatureAt_, ++getFeatures_)) return Fail(FaultKind::FailGetFeature);
  if (stopAnswering_) return Fail(FaultKind::StopAnswering);
  if (busy_ && busyUntilUs_ && clock_.NowUs() >= *busyUntilUs_) busy_ = false;
  std::fill(data, data + length, std::uint8_t{0});
  data[2] = busy_ ? kStatusBusy : status_;
  data[3] = static_cast<std::uint8_t>(statusValue_ & 0xFF);
  data[4] = static_cast<std::uint8_t>(statusValue_ >> 8);
  return true;
}

bool EmulatedBootLoader::HandleOutput(const std::uint8_t* data, std::size_t length) {
  Refresh();
  if (data == nullptr || length != kDataReportSize || data[0] != 0) {
    return Fail(HidError::Kind::Failed, "not a 64-byte report with ID 0");
  }
  if (TakeFault(failOutputAt_, ++outputs_)) return Fail(FaultKind::FailOutput);
  if (stopAnswering_) return true;
  ++dataReports_;
  const std::uint64_t now = clock_.NowUs();
  const bool working = busy_ && (!busyUntilUs_ || now < *busyUntilUs_);
  const bool eraseRunning = working && packetsSinceErase_ == 0;
  if (mode_ != DeviceMode::BootLoader || !erased_ || eraseRunning) {
    // Nowhere to write yet: the packet is lost.
    ++protocolErrors_;
  } else {
    // A packet before the last one was written is still taken.
    if (working) ++protocolErrors_;
    WritePacket(data);
  }
  if (vanishAfterDataReport_ && dataReports_ >= *vanishAfterDataReport_) {
    vanishAfterDataReport_.reset();
    LeaveBus(std::nullopt, "vanish");
  }
  return true;
}

void EmulatedBootLoader::WritePacket(const std::uint8_t* data) {
  const std::size_t size = flash_.size();
  if (writeAddress_ < size) {
    // Past the end of the flash the bytes are dropped.
    const std::size_t n = std::min<std::size_t>(kBytesPerDataReport, size - writeAddress_);
    std::memcpy(flash_.data() + writeAddress_, data + 1, n);
    writeAddress_ += kBytesPerDataReport;
  }
  ++packetsSinceErase_;
  const bool completesPage = packetsSinceErase_ % kPacketsPerPage == 0;
  status_ = STATUS_PACKET_ACK;
  statusValue_ = 0;
  busy_ = true;
  if (noAckForDataReport_ && dataReports_ >= *noAckForDataReport_) {
    noAckForDataReport_.reset();
    busyUntilUs_.reset();
  } else {
    busyUntilUs_ = clock_.NowUs() + (completesPage ? config_.Latency.PageWriteUs
                                                   : config_.Latency.PacketWriteUs);
  }
}

bool EmulatedBootLoader::InputReady() const {
  return Present() && inputFromUs_ && !stopAnswering_ && clock_.NowUs() >= *inputFromUs_;
}

bool EmulatedBootLoader::HandleInput(std::uint8_t* data, std::size_t length,
                                     int timeoutMs) {
  Refresh();
  if (data == nullptr || length < kStringsReportSize) {
    return Fail(HidError::Kind::Failed, "a buffer shorter than 64 bytes");
  }
  if (TakeFault(failInputAt_, ++inputs_)) {
    clock_.SleepUs(config_.Latency.InputUs);
    return Fail(FaultKind::FailInput);
  }
  const std::uint64_t now = clock_.NowUs();
  const bool comes = inputFromUs_ && !stopAnswering_;
  if (!comes || (timeoutMs >= 0 && *inputFromUs_ > now + ToUs(timeoutMs))) {
    // Nothing will come in time. A wait without limit on a report that never
    // comes would hang for ever, so it fails at once instead.
    if (timeoutMs > 0) clock_.SleepUs(ToUs(timeoutMs));
    return Fail(HidError::Kind::TimedOut,
                stopAnswering_ ? FaultKindName(FaultKind::StopAnswering) : "");
  }
  const std::uint64_t generation = generation_;
  if (*inputFromUs_ > now) clock_.SleepUs(*inputFromUs_ - now);
  clock_.SleepUs(config_.Latency.InputUs);
  // The wait let go of the bus: a device that left meanwhile sends nothing.
  if (generation_ != generation) return Fail(HidError::Kind::Failed, LeftText());
  FillStrings(data);
  return true;
}

bool EmulatedBootLoader::Fail(HidError::Kind what, std::string_view text) {
  failure_ = {what, 0, std::string(text)};
  return false;
}

bool EmulatedBootLoader::Fail(FaultKind fault) {
  return Fail(HidError::Kind::Failed, FaultKindName(fault));
}

std::string EmulatedBootLoader::LeftText() const {
  return std::string("the device left the bus (") + leftBecause_ + ")";
}

void EmulatedBootLoader::FillStrings(std::uint8_t* data) {
  std::fill(data, data + kStringsReportSize, std::uint8_t{0});
  const bool boot = mode_ == DeviceMode::BootLoader;
  const bool never = boot ? noValidBootStrings_ : noValidAppStrings_;
  if (never || invalidReadsLeft_ > 0) {
    // Not in place yet: byte 1 stays 0.
    if (invalidReadsLeft_ > 0) --invalidReadsLeft_;
    return;
  }
  if (boot) {
    PutField(data, kPlatformOffset, kPlatformLength, config_.Platform);
    PutField(data, kHwVersionOffset, kHwVersionLength, config_.HwVersion);
    PutField(data, kBootVersionOffset, kBootVersionLength, config_.BootVersion);
  } else {
    PutField(data, kPlatformOffset, kPlatformLength, config_.AppInfo);
    PutField(data, kHwVersionOffset, kHwVersionLength, config_.FwVersion);
  }
}

}  // namespace zentrel::emulated
