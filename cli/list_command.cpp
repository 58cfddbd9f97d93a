// zentrel-flash list: every present HID top-level collection, the boot
// loader candidates (usage page 0xFF00, usage 1) and those with the IDs
// marked, and why a candidate cannot be opened.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "cli/command_output.h"
#include "cli/commands.h"
#include "cli/device_session.h"
#include "cli/exit_codes.h"
#include "cli/unopenable_hint.h"
#include "hid/device_access.h"
#include "hid/utf8_text.h"

namespace zentrel::cli {

namespace {

struct Listed {
  HidCollection Collection;
  bool Opened = false;
  std::uint16_t VendorId = 0, ProductId = 0;
  std::string Product, Serial, Port;
};

Listed Describe(HidPlatform& platform, const HidCollection& collection) {
  Listed listed;
  listed.Collection = collection;
  listed.Port = platform.GetLocation(collection.Path);
  const HidHandle h = platform.Open(collection.Path);
  if (h == kNoHidHandle) return listed;
  listed.Opened = platform.GetAttributes(h, listed.VendorId, listed.ProductId);
  char16_t units[kProductStringUnits + 1] = {};
  if (platform.GetProductString(h, units, kProductStringUnits)) listed.Product = Utf8FromUtf16(units);
  units[0] = 0;
  if (platform.GetSerialNumber(h, units, kProductStringUnits)) listed.Serial = Utf8FromUtf16(units);
  platform.Close(h);
  return listed;
}

int RunList(const DeviceOptions& options, ConsoleView& view) {
  DeviceIds ids;
  if (!ResolveIds(options, ids, view)) return kExitUsage;
  SteadyClock clock;
  std::unique_ptr<HidPlatform> platform = MakePlatform(options, clock);
  // Described after the enumeration: its visit must not call the platform.
  std::vector<HidCollection> present;
  platform->Enumerate([&](const HidCollection& member) {
    present.push_back(member);
    return true;
  });
  std::vector<Listed> all;
  const DeviceFilter filter = FilterOf(options);
  for (const HidCollection& member : present) {
    Listed listed = Describe(*platform, member);
    if ((!filter.Port.empty() && listed.Port != filter.Port) ||
        (!filter.Serial.empty() && listed.Serial != filter.Serial)) {
      continue;
    }
    all.push_back(std::move(listed));
  }
  int candidates = 0, configured = 0;
  for (const Listed& d : all) {
    const HidCollection& c = d.Collection;
    const bool candidate = c.CapsKnown && c.UsagePage == kBootUsagePage && c.Usage == kBootUsage;
    const bool withIds = d.Opened && d.VendorId == ids.VendorId && d.ProductId == ids.ProductId;
    candidates += candidate ? 1 : 0;
    configured += candidate && withIds ? 1 : 0;
    if (view.Mode() == OutputMode::Json) {
      nlohmann::json item = {{"event", "device"},     {"path", c.Path}, {"port", d.Port},
                             {"opened", d.Opened},    {"candidate", candidate},
                             {"configured", candidate && withIds}};
      if (c.CapsKnown) {
        item["usage_page"] = c.UsagePage;
        item["usage"] = c.Usage;
      }
      if (d.Opened) {
        item["vendor_id"] = d.VendorId;
        item["product_id"] = d.ProductId;
        item["product"] = d.Product;
        item["serial"] = d.Serial;
      }
      view.Json(item.dump());
      continue;
    }
    char line[512];
    char usage[16] = "?:?";
    if (c.CapsKnown) std::snprintf(usage, sizeof usage, "%04X:%04X", c.UsagePage, c.Usage);
    if (d.Opened) {
      std::snprintf(line, sizeof line,
                    "%s  port %s  %04X:%04X  usage %s  \"%s\"  serial \"%s\"%s%s",
                    c.Path.c_str(), d.Port.empty() ? "?" : d.Port.c_str(), d.VendorId,
                    d.ProductId, usage, d.Product.c_str(),
                    d.Serial.c_str(), candidate ? "  [boot loader candidate]" : "",
                    candidate && withIds ? " [has the IDs]" : "");
    } else {
      std::snprintf(line, sizeof line, "%s  cannot be opened", c.Path.c_str());
    }
    view.Note(line);
  }
  const int unopenable = ReportUnopenableDevices(*platform, ids, stderr);
  if (view.Mode() == OutputMode::Json) {
    view.Json(nlohmann::json{{"event", "result"},
                             {"command", "list"},
                             {"exit_code", kExitOk},
                             {"collections", all.size()},
                             {"candidates", candidates},
                             {"with_ids", configured},
                             {"unopenable_with_ids", unopenable}}
                  .dump());
  } else {
    char line[160];
    std::snprintf(line, sizeof line,
                  "%zu collections, %d boot loader candidates, %d with IDs %04X:%04X",
                  all.size(), candidates, configured, static_cast<unsigned>(ids.VendorId),
                  static_cast<unsigned>(ids.ProductId));
    view.Note(line);
  }
  return kExitOk;
}

}  // namespace

int RunListCommand(const DeviceOptions& options, const OutputOptions& output) {
  ConsoleView view(stdout, stderr, ModeFor(output));
  return RunList(options, view);
}

}  // namespace zentrel::cli
