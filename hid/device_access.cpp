#include "hid/device_access.h"

#include <algorithm>
#include <vector>

#include "hid/utf8_text.h"

namespace zentrel {

std::int32_t DeviceAccess::RefreshDeviceList() {
  table_ = DevicePathTable{};
  // With a filter the candidates are gathered first and chosen afterwards:
  // choosing opens them, which the enumeration's visit must not do.
  std::vector<std::string> candidates;
  platform_.Enumerate([&](const HidCollection& member) {
    if (!member.CapsKnown || member.UsagePage != kBootUsagePage ||
        member.Usage != kBootUsage) {
      return true;
    }
    // hidapi lists nested collections of one interface with the same path;
    // an interface is one candidate however many collections qualify.
    if (std::find(candidates.begin(), candidates.end(), member.Path) != candidates.end()) {
      return true;
    }
    candidates.push_back(member.Path);
    return !filter_.Empty() || candidates.size() < std::size_t{DevicePathTable::kSlots};
  });
  for (const std::string& path : candidates) {
    if (table_.Count == DevicePathTable::kSlots) break;
    if (Chosen(path)) table_.Slots[static_cast<std::size_t>(table_.Count++)] = path;
  }
  return table_.Count;
}

bool DeviceAccess::Chosen(const std::string& path) {
  if (filter_.Empty()) return true;
  if (!filter_.Port.empty() && platform_.GetLocation(path) != filter_.Port) return false;
  if (filter_.Serial.empty()) return true;
  const HidHandle h = platform_.Open(path);
  if (h == kNoHidHandle) return false;
  char16_t units[kProductStringUnits + 1] = {};
  const bool read = platform_.GetSerialNumber(h, units, kProductStringUnits);
  platform_.Close(h);
  return read && Utf8FromUtf16(units) == filter_.Serial;
}

int DeviceAccess::OpenDeviceByIds(std::uint32_t vendorId, std::uint32_t productId,
                                  std::int32_t count) {
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
  if (handle_ == kNoHidHandle) return 0;
  return platform_.GetFeature(handle_, report.data(), report.size()) ? 1 : 0;
}

int DeviceAccess::WriteDataReport(const DataReport& report) {
  if (handle_ == kNoHidHandle) return 0;
  return platform_.WriteOutput(handle_, report.data(), report.size()) ? 1 : 0;
}

int DeviceAccess::ReadStringsReport(StringsReport& report) {
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
