// One emulated boot loader on an EmulatedBus. It answers the report protocol
// as the real device does and lets tests look at what reached it.
//
// Its state is guarded by the bus's lock. The methods that give values and
// the fault injection take that lock, so they may be called while another
// thread drives the board; Flash() and Commands() give references and are
// for when no road drives this board (before or after one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hid/emulated/boot_loader_config.h"
#include "hid/emulated/bus_lock.h"
#include "hid/emulated/fault_kind.h"
#include "hid/hid_platform.h"
#include "protocol/clock.h"
#include "protocol/reports.h"

namespace zentrel::emulated {

enum class DeviceMode { Application, BootLoader };

class EmulatedBootLoader {
 public:
  // clock: the bus's, which lets go of lock while time is spent.
  EmulatedBootLoader(Clock& clock, BusLock& lock, const BootLoaderConfig& config,
                     std::string path);
  EmulatedBootLoader(const EmulatedBootLoader&) = delete;
  EmulatedBootLoader& operator=(const EmulatedBootLoader&) = delete;

  // --- what tests and the command line look at ---
  const std::string& Path() const { return path_; }
  const BootLoaderConfig& Config() const { return config_; }
  DeviceMode Mode() const;
  bool Present() const;  // on the bus at the clock's now
  // The whole flash, FlashSizeKiB * 1024 bytes; erased bytes are 0xFF.
  const std::vector<std::uint8_t>& Flash() const { return flash_; }
  // Every CommandReport that reached the device, ignored ones included.
  const std::vector<CommandReport>& Commands() const { return commands_; }
  std::size_t DataReportCount() const;
  int OpenCount() const;  // Open(), probes left out
  int ProbeOpenCount() const;
  int ResetCount() const;
  int EraseCount() const;
  // Reports that came while the device was not ready for them (a DataReport
  // during an erase or a write, or before any erase).
  int ProtocolErrors() const;
  // Kind letter of the last CMD_IMAGE_KIND, if any came.
  std::optional<char> ImageKind() const;

  // --- fault injection ---
  void InjectFault(FaultKind kind, int n = 1);
  void ClearFaults();

 private:
  friend class EmulatedBus;

  // The bus's side: each takes effect at the clock's now.
  bool Openable() const;
  std::uint64_t Generation() const { return generation_; }  // changes on leaving
  bool HandleSetFeature(const std::uint8_t* data, std::size_t length);
  bool HandleGetFeature(std::uint8_t* data, std::size_t length);
  bool HandleOutput(const std::uint8_t* data, std::size_t length);
  bool HandleInput(std::uint8_t* data, std::size_t length, int timeoutMs);
  bool HandleProductString(char16_t* units, std::size_t count) const;
  bool InputReady() const;
  void NoteOpen(bool probe);

  bool ComesBackBy(std::uint64_t nowUs) const;
  void Refresh();  // applies what time has brought (coming back, work done)
  void LeaveBus(std::optional<std::uint64_t> backAtUs, const char* why);
  // Why the last Handle call failed, for the bus's LastError.
  bool Fail(HidError::Kind what, std::string_view text);
  bool Fail(FaultKind fault);
  std::string LeftText() const;  // why open handles stopped working
  void ResetSession();
  void ExecuteCommand(const CommandReport& report);
  void StartErase(std::uint8_t kind);
  void WritePacket(const std::uint8_t* data);
  void FillStrings(std::uint8_t* data);
  static bool TakeFault(std::optional<std::uint64_t>& at, std::uint64_t count);

  Clock& clock_;
  BusLock& lock_;
  BootLoaderConfig config_;
  std::string path_;
  std::vector<std::uint8_t> flash_;

  // Mode and presence. Coming back is decided by the clock; whatever asks
  // first after the time has come (Refresh) makes it so.
  DeviceMode mode_;
  bool present_ = true;
  std::uint64_t generation_ = 1;
  std::optional<std::uint64_t> backAtUs_;  // none while absent: gone for good
  const char* leftBecause_ = "";           // "reset" or "vanish"
  HidError failure_;                       // of the last Handle call that failed

  // Boot loader session.
  bool bootStarted_ = false;
  // Status: while busy_, kStatusBusy until busyUntilUs_ (none: for ever),
  // then status_.
  std::uint8_t status_ = kStatusIdle;
  std::uint16_t statusValue_ = 0;
  bool busy_ = false;
  std::optional<std::uint64_t> busyUntilUs_;
  bool erased_ = false;
  std::uint32_t writeAddress_ = kFirstWriteAddress;
  std::uint64_t packetsSinceErase_ = 0;

  // Input reports: available from this time on, while set.
  std::optional<std::uint64_t> inputFromUs_;
  int invalidReadsLeft_ = 0;

  // Observations.
  std::vector<CommandReport> commands_;
  std::size_t dataReports_ = 0;
  int opens_ = 0;
  int probeOpens_ = 0;
  int resets_ = 0;
  int erases_ = 0;
  int protocolErrors_ = 0;
  std::optional<char> imageKind_;

  // Transfer counters and faults (counter values at which a transfer fails).
  std::uint64_t setFeatures_ = 0, getFeatures_ = 0, outputs_ = 0, inputs_ = 0;
  std::optional<std::uint64_t> failSetFeatureAt_, failGetFeatureAt_, failOutputAt_,
      failInputAt_;
  std::optional<std::uint64_t> vanishAfterDataReport_, noAckForDataReport_;
  bool stopAnswering_ = false, noValidBootStrings_ = false, noValidAppStrings_ = false,
       lowerCaseProduct_ = false, wrongBootStatus_ = false, eraseNeverEnds_ = false,
       cannotOpen_ = false, neverReturns_ = false, ignoresReset_ = false;
};

}  // namespace zentrel::emulated
