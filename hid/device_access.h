// Device discovery (the DevicePathTable) and the device link (the one open
// DeviceHandle), over the platform seam. Results are 1 for success, 0 for
// failure; nothing here writes text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "hid/hid_platform.h"
#include "sequencer/reports.h"

namespace zentrel {

inline constexpr std::uint16_t kBootUsagePage = 0xFF00;
inline constexpr std::uint16_t kBootUsage = 0x0001;
inline constexpr int kInputReportTimeoutMs = 1000;

struct DevicePathTable {
  static constexpr std::int32_t kSlots = 10;
  std::array<std::string, kSlots> Slots;  // empty string: empty slot
  std::int32_t Count = 0;
};

class DeviceAccess {
 public:
  explicit DeviceAccess(HidPlatform& platform) : platform_(platform) {}
  ~DeviceAccess() { CloseDevice(); }
  DeviceAccess(const DeviceAccess&) = delete;
  DeviceAccess& operator=(const DeviceAccess&) = delete;

  // Lists the collections with usage page 0xFF00, usage 1, that could be
  // opened, at most ten, in enumeration order; returns their count.
  std::int32_t RefreshDeviceList();

  // Opens the first listed device with both IDs; 1 when one is now open.
  int OpenDeviceByIds(std::uint32_t vendorId, std::uint32_t productId,
                      std::int32_t count);
  // Low bytes of the UTF-16 product string, at most n (<= 128) characters and
  // a zero byte; buffer needs n + 1 bytes.
  int ReadProductString(char* buffer, std::size_t n);
  int SendCommandReport(const CommandReport& report);
  int ReadStatusReport(StatusReport& report);
  int WriteDataReport(const DataReport& report);
  // Waits at most kInputReportTimeoutMs for one input report.
  int ReadStringsReport(StringsReport& report);
  void CloseDevice();

  bool IsOpen() const { return handle_ != kNoHidHandle; }
  const DevicePathTable& PathTable() const { return table_; }

 private:
  HidPlatform& platform_;
  DevicePathTable table_;
  HidHandle handle_ = kNoHidHandle;  // the DeviceHandle
};

}  // namespace zentrel
