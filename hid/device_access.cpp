#include "hid/device_access.h"

#include <algorithm>
#include <vector>

#include "hid/device_identity.h"

namespace zentrel {

std::int32_t DeviceAccess::RefreshDeviceList() {
  table_ = DevicePathTable{};
  // Without a filter the enumeration ends at the tenth candidate, so that
  // later members are not probed; with one, all are gathered first and
  // chosen afterwards (choosing opens them, which the enumeration must not).
  const std::size_t limit = filter_.Empty() ? std::size_t{DevicePathTable::kSlots} : SIZE_MAX;
  for (const std::string& path : ListCandidatePaths(platform_, limit)) {
    if (table_.Count == DevicePathTable::kSlots) break;
    if (Chosen(path)) table_.Slots[static_cast<std::size_t>(table_.Count++)] = path;
  }
  return table_.Count;
}

bool DeviceAccess::Chosen(const std::string& path) {
  if (filter_.Empty()) return true;
  if (!filter_.Port.empty() && platform_.GetLocation(path) != filter_.Port) return false;
  return filter_.Serial.empty() || ReadDeviceIdentity(platform_, path).Serial == filter_.Serial;
}

int DeviceAccess::OpenDeviceByIds(std::uint32_t vendorId, std::uint32_t productId,
                                  std::int32_t count) {
  // One DeviceHandle: an open never leaves an earlier handle behind.
  CloseDevice();
  // Slot 0 is always tried; an empty slot ends the search.
  for (std::int32_t i = 0; i == 0 || i < std::min(count, DevicePathTable::kSlots); ++i) {
    const std::string& path = table_.Slots[static_cast<std::size_t>(i)];
    if (path.empty()) return 0;
    // A device unplugged since the refresh is passed over, not the end.
    HidHandle h = platform_.Open(path);
    if (h == kNoHidHandle) continue;
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    if (platform_.GetAttributes(h, vid, pid) && std::uint32_t{vid} == vendorId &&
        std::uint32_t{pid} == productId) {
      handle_ = h;
      if (firstPath_.empty()) {
        firstPath_ = path;
        firstPort_ = platform_.GetLocation(path);
      }
      return 1;
    }
    platform_.Close(h);
  }
  return 0;
}

int DeviceAccess::ReadProductString(char* buffer, std::size_t n) {
  buffer[0] = 0;
  if (handle_ == kNoHidHandle) return 0;
  n = std::min(n, kProductStringUnits);
  char16_t units[kProductStringUnits + 1] = {};
  // One unit more than the work area so the string is always terminated.
  if (!platform_.GetProductString(handle_, units, kProductStringUnits)) return 0;
  std::size_t i = 0;
  for (; i < n && units[i] != 0; ++i) buffer[i] = static_cast<char>(units[i] & 0xFF);
  buffer[i] = 0;
  return 1;
}

int DeviceAccess::SendCommandReport(const CommandReport& report) {
  if (handle_ == kNoHidHandle) return 0;
  return platform_.SetFeature(handle_, report.data(), report.size()) ? 1 : 0;
}

int DeviceAccess::ReadStatusReport(StatusReport& report) {
  // A platform may call a shorter answer whole: what it leaves out must not
  // be the last report's status read again.
  report.fill(0);
  if (handle_ == kNoHidHandle) return 0;
  return platform_.GetFeature(handle_, report.data(), report.size()) ? 1 : 0;
}

int DeviceAccess::WriteDataReport(const DataReport& report) {
  if (handle_ == kNoHidHandle) return 0;
  return platform_.WriteOutput(handle_, report.data(), report.size()) ? 1 : 0;
}

int DeviceAccess::ReadStringsReport(StringsReport& report) {
  report.fill(0);  // as a status: never the last report's strings again
  if (handle_ == kNoHidHandle) return 0;
  return platform_.ReadInput(handle_, report.data(), report.size(),
                             kInputReportTimeoutMs)
             ? 1
             : 0;
}

void DeviceAccess::CloseDevice() {
  if (handle_ == kNoHidHandle) return;
  platform_.Close(handle_);
  handle_ = kNoHidHandle;
}

}  // namespace zentrel
