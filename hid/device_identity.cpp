#include "hid/device_identity.h"

#include <algorithm>

#include "hid/utf8_text.h"
#include "protocol/reports.h"

namespace zentrel {

namespace {

bool HasIds(const DeviceIdentity& d, const DeviceIds& ids) {
  return d.Opened && d.VendorId == ids.VendorId && d.ProductId == ids.ProductId;
}

bool LetsThrough(const DeviceFilter& filter, const DeviceIdentity& d) {
  return (filter.Port.empty() || d.Port == filter.Port) &&
         (filter.Serial.empty() || d.Serial == filter.Serial);
}

}  // namespace

DeviceIdentity ReadDeviceIdentity(HidPlatform& platform, const std::string& path) {
  DeviceIdentity identity;
  identity.Path = path;
  identity.Port = platform.GetLocation(path);
  const HidHandle h = platform.Open(path);
  if (h == kNoHidHandle) return identity;
  identity.Opened = platform.GetAttributes(h, identity.VendorId, identity.ProductId);
  // One unit more than the work area, so that the text always ends.
  char16_t units[kProductStringUnits + 1] = {};
  if (platform.GetProductString(h, units, kProductStringUnits)) {
    identity.Product = Utf8FromUtf16(units);
  }
  // A read may end its text without a zero: nothing of the product stays.
  std::fill(std::begin(units), std::end(units), u'\0');
  if (platform.GetSerialNumber(h, units, kProductStringUnits)) {
    identity.Serial = Utf8FromUtf16(units);
  }
  platform.Close(h);
  return identity;
}

std::vector<std::string> ListCandidatePaths(HidPlatform& platform, std::size_t limit) {
  std::vector<std::string> paths;
  platform.Enumerate([&](const HidCollection& member) {
    // hidapi lists nested collections of one interface with the same path;
    // an interface is one candidate however many collections qualify.
    if (IsBootCandidate(member) &&
        std::find(paths.begin(), paths.end(), member.Path) == paths.end()) {
      paths.push_back(member.Path);
    }
    return paths.size() < limit;
  });
  return paths;
}

std::vector<DeviceIdentity> FindDevices(HidPlatform& platform, const DeviceIds& ids,
                                        const DeviceFilter& filter) {
  std::vector<DeviceIdentity> found;
  for (const std::string& path : ListCandidatePaths(platform)) {
    DeviceIdentity d = ReadDeviceIdentity(platform, path);
    if (HasIds(d, ids) && LetsThrough(filter, d)) found.push_back(std::move(d));
  }
  return found;
}

std::vector<PresentCollection> TakeCensus(HidPlatform& platform, const DeviceIds& ids,
                                          const DeviceFilter& filter) {
  // Read after the enumeration: its visit must not call the platform.
  std::vector<HidCollection> present;
  platform.Enumerate([&](const HidCollection& member) {
    present.push_back(member);
    return true;
  });
  std::vector<PresentCollection> census;
  for (const HidCollection& member : present) {
    PresentCollection c{member, ReadDeviceIdentity(platform, member.Path), IsBootCandidate(member)};
    if (!LetsThrough(filter, c.Identity)) continue;
    c.WithIds = c.Candidate && HasIds(c.Identity, ids);
    census.push_back(std::move(c));
  }
  return census;
}

DeviceFilter FollowFilter(const DeviceIdentity& board) {
  if (!board.Port.empty()) return {"", board.Port};
  return {board.Serial, ""};
}

std::vector<UnopenableDevice> FindUnopenableWithIds(HidPlatform& platform,
                                                   const DeviceIds& ids) {
  // An ID above 0xFFFF matches no device, openable or not.
  if (ids.VendorId > 0xFFFF || ids.ProductId > 0xFFFF) return {};
  return platform.FindUnopenable(static_cast<std::uint16_t>(ids.VendorId),
                                 static_cast<std::uint16_t>(ids.ProductId));
}

}  // namespace zentrel
