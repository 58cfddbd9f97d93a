// A virtual HID bus behind the platform seam: emulated boot loaders and other
// HID collections, enumerated in the order they were added. Time is the
// injected clock's, so it runs in virtual time under tests and in real time
// in the command line.
//
// Several threads may use one bus, each with its own handles: every public
// method holds the bus's one lock, except while a transfer or a wait spends
// time on the clock, so boards on separate threads work side by side. A
// FakeClock serves one thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hid/emulated/boot_loader_config.h"
#include "hid/emulated/bus_lock.h"
#include "hid/emulated/emulated_boot_loader.h"
#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::emulated {

// A HID device that is not ours (a mouse, a keyboard, another vendor's
// gadget): it is listed and can be opened, but answers nothing.
struct OtherDeviceConfig {
  std::string Path;  // empty: the bus gives it one
  std::uint16_t VendorId = 0x046D;
  std::uint16_t ProductId = 0xC077;
  std::u16string ProductString = u"USB Optical Mouse";
  std::uint16_t UsagePage = 0x0001;
  std::uint16_t Usage = 0x0002;
  bool Openable = true;
};

class EmulatedBus final : public HidPlatform {
 public:
  explicit EmulatedBus(Clock& clock);
  ~EmulatedBus() override;
  EmulatedBus(const EmulatedBus&) = delete;
  EmulatedBus& operator=(const EmulatedBus&) = delete;

  // Adds a device with one top-level collection at the end of the
  // enumeration order. References stay valid for the bus's lifetime. The
  // board's Config().Port is its port, assigned here when the config left
  // it empty.
  EmulatedBootLoader& AddBootLoader(const BootLoaderConfig& config);
  // Returns the path of the new device.
  std::string AddOtherDevice(const OtherDeviceConfig& config);
  // One more top-level collection of a device already on the bus, listed
  // with the same path (as hidapi lists nested collections), after all
  // collections added so far. False if no device has that path.
  bool AddCollection(const std::string& path, std::uint16_t usagePage,
                     std::uint16_t usage);

  // Counters per path: probe opens tried by Enumerate (failed ones too),
  // successful opens by Open, and closes.
  int ProbeOpens(const std::string& path) const;
  int Opens(const std::string& path) const;
  int Closes(const std::string& path) const;
  // Handles given out by Open and not yet closed.
  std::size_t OpenHandleCount() const override;

  // The seam.
  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override;
  HidHandle Open(const std::string& path) override;
  bool GetAttributes(HidHandle h, std::uint16_t& vendorId,
                     std::uint16_t& productId) override;
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override;
  bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) override;
  bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) override;
  bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                 int timeoutMs) override;
  void Close(HidHandle h) override;
  // The port of the boot loader at that path while it is on the bus; empty
  // for other devices and unknown paths.
  std::string GetLocation(const std::string& path) override;
  // Boot loaders with both IDs that are present but told not to open.
  std::vector<UnopenableDevice> FindUnopenable(std::uint16_t vendorId,
                                               std::uint16_t productId) override;
  // The fault that made the call fail, by its option name ("fail-output"),
  // or why the handle no longer works.
  HidError LastError(HidHandle h) override;

  // Whether the device behind h has an input report to give now. For
  // transports that push input reports to the host as a device does (the
  // hidraw test device) instead of being asked with a wait.
  bool InputReady(HidHandle h);

 private:
  struct Device;
  struct Collection {
    std::size_t Device;
    std::uint16_t UsagePage;
    std::uint16_t Usage;
  };
  struct OpenHandle {
    std::size_t Device;
    std::uint64_t Generation;
  };

  const Device* Find(const std::string& path) const;
  // The device behind a handle, if it is still the same device on the bus.
  Device* Live(HidHandle h);
  // Spends a transfer's time on the clock; false when the device behind h
  // is no longer there afterwards.
  bool SpendTransferTime(HidHandle h, std::uint64_t us);
  // Keep why a call on h failed; each returns false.
  bool Failed(HidHandle h, HidError error);
  bool Dead(HidHandle h);                           // no live device behind h
  bool Refused(HidHandle h, const Device& device);  // the board said no

  mutable BusLock lock_;
  UnlockingClock clock_;  // what the bus and its boards spend time on
  std::vector<std::unique_ptr<Device>> devices_;
  std::vector<Collection> collections_;
  std::map<HidHandle, OpenHandle> handles_;
  std::map<HidHandle, HidError> errors_;  // kNoHidHandle: the last failed Open
  HidHandle nextHandle_ = 1;
  int bootLoadersAdded_ = 0;
};

}  // namespace zentrel::emulated
