// What tells one device from another: read in one place for discovery's
// serial filter, `list`, and the command line's choice of boards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hid/device_access.h"
#include "hid/hid_platform.h"
#include "protocol/device_ids.h"
#include "protocol/reports.h"

namespace zentrel {

struct DeviceIdentity {
  std::string Path;
  bool Opened = false;  // the attributes could be read: the rest is known
  std::uint16_t VendorId = 0;
  std::uint16_t ProductId = 0;
  std::string Product;  // UTF-8
  std::string Serial;   // UTF-8
  std::string Port;     // HidPlatform::GetLocation; empty if unknown
};

// The boot loader's collection: usage page 0xFF00, usage 1.
inline bool IsBootCandidate(const HidCollection& c) {
  return c.CapsKnown && c.UsagePage == kBootUsagePage && c.Usage == kBootUsage;
}

// A present HID collection: who it is, and how discovery sees it.
struct PresentCollection {
  HidCollection Collection;
  DeviceIdentity Identity;
  bool Candidate = false;  // the boot loader's collection
  bool WithIds = false;    // a candidate that has the IDs
};

// Opens the path briefly, reads its IDs, product string and serial number,
// and closes it again; the port needs no open.
DeviceIdentity ReadDeviceIdentity(HidPlatform& platform, const std::string& path);

// The paths of the boot loader's collection that could be opened, each once,
// in enumeration order; the enumeration ends when limit are found.
std::vector<std::string> ListCandidatePaths(HidPlatform& platform,
                                            std::size_t limit = SIZE_MAX);

// The candidates with both IDs that the filter lets through, with their
// identity, in enumeration order.
std::vector<DeviceIdentity> FindDevices(HidPlatform& platform, const DeviceIds& ids,
                                        const DeviceFilter& filter = {});

// Every present collection that the filter lets through, in enumeration
// order, each with its identity.
std::vector<PresentCollection> TakeCensus(HidPlatform& platform, const DeviceIds& ids,
                                          const DeviceFilter& filter = {});

// How a road finds a chosen board again after its reset: by its port, else
// by its serial number; anything when it has neither.
DeviceFilter FollowFilter(const DeviceIdentity& board);

// The present devices with the IDs that cannot be opened, which discovery
// leaves out: no device at all would look the same.
std::vector<UnopenableDevice> FindUnopenableWithIds(HidPlatform& platform, const DeviceIds& ids);

}  // namespace zentrel
