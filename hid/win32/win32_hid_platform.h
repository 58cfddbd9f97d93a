// HID access on Windows: SetupAPI lists the present HID interfaces, HID.dll
// reads their capabilities and attributes and moves feature reports, and the
// file functions move output and input reports. Every call is made in its
// 8-bit ("A") form; every device handle is opened for synchronous I/O. The
// platform keeps no state of its own between calls but the count of open
// handles (atomic), so threads that each use their own handles need no lock.
#pragma once

#include <atomic>

#include "hid/hid_platform.h"

namespace zentrel {

class Win32HidPlatform final : public HidPlatform {
 public:
  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override;
  HidHandle Open(const std::string& path) override;
  bool GetAttributes(HidHandle h, std::uint16_t& vendorId,
                     std::uint16_t& productId) override;
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override;
  bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) override;
  bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) override;
  bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  // A synchronous ReadFile that a watchdog cancels when timeoutMs runs out.
  bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                 int timeoutMs) override;
  void Close(HidHandle h) override;
  std::size_t OpenHandleCount() const override { return openHandles_.load(); }
  // GetLastError of the failed call, as its number and the system's text.
  HidError LastError(HidHandle h) override;
  // The USB device's location path or location information, found by
  // walking up the device tree from the path's HID collection.
  std::string GetLocation(const std::string& path) override;

 private:
  std::atomic<std::size_t> openHandles_{0};
};

}  // namespace zentrel
