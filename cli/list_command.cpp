// zentrel-flash list: every present HID top-level collection, the boot
// loader candidates (usage page 0xFF00, usage 1) and those with the IDs
// marked, and why a candidate cannot be opened.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/emulated_rig.h"
#include "cli/exit_codes.h"
#include "cli/unopenable_hint.h"
#include "hid/device_identity.h"
#include "protocol/reports.h"

namespace zentrel::cli {

namespace {

struct Listed {
  HidCollection Collection;
  DeviceIdentity Identity;
};

// reason: why a node with the IDs cannot be opened; empty when it can, or
// when it is not known.
void Show(ConsoleView& view, const Listed& d, bool candidate, bool withIds,
          const std::string& reason) {
  const HidCollection& c = d.Collection;
  const DeviceIdentity& id = d.Identity;
  if (view.Mode() == OutputMode::Json) {
    nlohmann::json item = {{"event", "device"},     {"path", c.Path},
                           {"port", id.Port},       {"opened", id.Opened},
                           {"candidate", candidate}, {"configured", candidate && withIds}};
    if (c.CapsKnown) {
      item["usage_page"] = c.UsagePage;
      item["usage"] = c.Usage;
    }
    if (!reason.empty()) item["reason"] = reason;
    if (id.Opened) {
      item["vendor_id"] = id.VendorId;
      item["product_id"] = id.ProductId;
      item["product"] = id.Product;
      item["serial"] = id.Serial;
    }
    view.Json(item);
    return;
  }
  if (!id.Opened) {
    view.Note(c.Path + "  port " + (id.Port.empty() ? "?" : id.Port) + "  cannot be opened" +
              (reason.empty() ? "" : ": " + reason));
    return;
  }
  char usage[16] = "?:?";
  if (c.CapsKnown) std::snprintf(usage, sizeof usage, "%04X:%04X", c.UsagePage, c.Usage);
  char line[512];
  std::snprintf(line, sizeof line, "%s  port %s  %04X:%04X  usage %s  \"%s\"  serial \"%s\"%s%s",
                c.Path.c_str(), id.Port.empty() ? "?" : id.Port.c_str(), id.VendorId,
                id.ProductId, usage, id.Product.c_str(), id.Serial.c_str(),
                candidate ? "  [boot loader candidate]" : "",
                candidate && withIds ? " [has the IDs]" : "");
  view.Note(line);
}

}  // namespace

int RunListCommand(const DeviceOptions& options, const OutputOptions& output) {
  ConsoleView view(ConsoleOut(options), stderr, ModeFor(output));
  DeviceIds ids;
  if (const std::string error = CheckDeviceOptions(options, ids); !error.empty()) {
    view.Error("zentrel-flash: " + error);
    return kExitUsage;
  }
  SteadyClock clock;
  Rig rig(options, clock);
  HidPlatform& platform = rig.Platform();
  // Described after the enumeration: its visit must not call the platform.
  std::vector<HidCollection> present;
  platform.Enumerate([&](const HidCollection& member) {
    present.push_back(member);
    return true;
  });
  const std::vector<UnopenableDevice> unopenable = FindUnopenableWithIds(platform, ids);
  const DeviceFilter filter = FilterOf(options);
  int collections = 0, candidates = 0, configured = 0;
  for (const HidCollection& member : present) {
    const Listed d{member, ReadDeviceIdentity(platform, member.Path)};
    if ((!filter.Port.empty() && d.Identity.Port != filter.Port) ||
        (!filter.Serial.empty() && d.Identity.Serial != filter.Serial)) {
      continue;
    }
    const bool candidate =
        member.CapsKnown && member.UsagePage == kBootUsagePage && member.Usage == kBootUsage;
    const bool withIds = d.Identity.Opened && d.Identity.VendorId == ids.VendorId &&
                         d.Identity.ProductId == ids.ProductId;
    ++collections;
    candidates += candidate ? 1 : 0;
    configured += candidate && withIds ? 1 : 0;
    const auto why = std::find_if(unopenable.begin(), unopenable.end(),
                                  [&](const UnopenableDevice& u) { return u.Path == member.Path; });
    Show(view, d, candidate, withIds, why == unopenable.end() ? "" : why->Reason);
  }
  TellUnopenable(unopenable, ids, stderr);
  const bool traceFailed = rig.TraceFailed();
  if (view.Mode() == OutputMode::Json) {
    view.Json({{"event", "result"},
               {"command", "list"},
               {"exit_code", traceFailed ? kExitDeviceFailed : kExitOk},
               {"collections", collections},
               {"candidates", candidates},
               {"with_ids", configured},
               {"unopenable_with_ids", unopenable.size()}});
  } else {
    char line[160];
    std::snprintf(line, sizeof line, "%d collections, %d boot loader candidates, %d with IDs ",
                  collections, candidates, configured);
    view.Note(line + IdsText(ids));
  }
  return view.ExitCode(kExitOk, "the command reached its goal", traceFailed);
}

}  // namespace zentrel::cli
