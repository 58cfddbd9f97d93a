// Device discovery (the DevicePathTable) and the device link (the one open
// DeviceHandle), over the platform seam. Results are 1 for success, 0 for
// failure; nothing here writes text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "hid/hid_platform.h"
#include "protocol/reports.h"

namespace zentrel {

inline constexpr int kInputReportTimeoutMs = 1000;

struct DevicePathTable {
  static constexpr std::int32_t kSlots = 10;
  std::array<std::string, kSlots> Slots;  // empty string: empty slot
  std::int32_t Count = 0;
};

// Leaves collections out of the device list unless they are the chosen
// device: its serial number (UTF-8) and its port (HidPlatform::GetLocation),
// each when not empty. Chosen by port, the search finds the device again
// after it reset, whatever path it comes back with.
struct DeviceFilter {
  std::string Serial;
  std::string Port;
  bool Empty() const { return Serial.empty() && Port.empty(); }
};

class DeviceAccess {
 public:
  explicit DeviceAccess(HidPlatform& platform, DeviceFilter filter = {})
      : platform_(platform), filter_(std::move(filter)) {}
  ~DeviceAccess() { CloseDevice(); }
  DeviceAccess(const DeviceAccess&) = delete;
  DeviceAccess& operator=(const DeviceAccess&) = delete;

  // Lists the collections with usage page 0xFF00, usage 1, that could be
  // opened (and that the filter lets through), at most ten, in enumeration
  // order; returns their count.
  std::int32_t RefreshDeviceList();

  // Opens the first listed device with both IDs; 1 when one is now open.
  int OpenDeviceByIds(std::uint32_t vendorId, std::uint32_t productId,
                      std::int32_t count);
  // Low bytes of the UTF-16 product string, at most n (<= 128) characters and
  // a zero byte; buffer needs n + 1 bytes.
  int ReadProductString(char* buffer, std::size_t n);
  int SendCommandReport(const CommandReport& report);
  // The reads clear the report first: what the device did not send is zeros.
  int ReadStatusReport(StatusReport& report);
  int WriteDataReport(const DataReport& report);
  // Waits at most kInputReportTimeoutMs for one input report.
  int ReadStringsReport(StringsReport& report);
  void CloseDevice();

  bool IsOpen() const { return handle_ != kNoHidHandle; }
  const DevicePathTable& PathTable() const { return table_; }
  // The first device this link opened and its USB port at that moment
  // (empty if none): names a board that no one chose before its road found
  // it, also after it has left that node.
  const std::string& FirstPath() const { return firstPath_; }
  const std::string& FirstPort() const { return firstPort_; }

 private:
  bool Chosen(const std::string& path);

  HidPlatform& platform_;
  DeviceFilter filter_;
  DevicePathTable table_;
  HidHandle handle_ = kNoHidHandle;  // the DeviceHandle
  std::string firstPath_, firstPort_;
};

}  // namespace zentrel
