// zentrel-flash list: every present HID top-level collection, the boot
// loader candidates (usage page 0xFF00, usage 1) and those with the IDs
// marked, and why a candidate cannot be opened.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/board_record.h"
#include "cli/commands.h"
#include "cli/emulated_rig.h"
#include "cli/exit_codes.h"
#include "hid/device_identity.h"

namespace zentrel::cli {

namespace {

// reason: why a node with the IDs cannot be opened; empty when it can, or
// when it is not known.
void Show(ConsoleView& view, const PresentCollection& d, const std::string& reason) {
  const HidCollection& c = d.Collection;
  const DeviceIdentity& id = d.Identity;
  nlohmann::json item = {{"event", "device"},       {"path", c.Path},
                         {"port", id.Port},         {"opened", id.Opened},
                         {"candidate", d.Candidate}, {"configured", d.WithIds}};
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
  view.Json(item);  // Json and Note write in their modes only
  if (!id.Opened) {
    view.Note(c.Path + "  port " + Shown(id.Port) + "  cannot be opened" +
              (reason.empty() ? "" : ": " + reason));
    return;
  }
  char usage[16] = "?:?";
  if (c.CapsKnown) std::snprintf(usage, sizeof usage, "%04X:%04X", c.UsagePage, c.Usage);
  char line[512];
  std::snprintf(line, sizeof line, "%s  port %s  %04X:%04X  usage %s  \"%s\"  serial \"%s\"%s%s",
                c.Path.c_str(), Shown(id.Port).c_str(), id.VendorId,
                id.ProductId, usage, id.Product.c_str(), id.Serial.c_str(),
                d.Candidate ? "  [boot loader candidate]" : "", d.WithIds ? " [has the IDs]" : "");
  view.Note(line);
}

}  // namespace

int RunListCommand(const DeviceOptions& options) {
  ConsoleView view(ConsoleOut(options.CaptureFile), stderr, ModeFor(options));
  const DeviceIds& ids = options.Ids;
  if (const std::string error = CheckDeviceOptions(options); !error.empty()) {
    view.Error("zentrel-flash: " + error);
    return kExitUsage;
  }
  SteadyClock clock;
  Rig rig(options, clock);
  HidPlatform& platform = rig.Platform();
  const std::vector<PresentCollection> census = TakeCensus(platform, ids, options.Filter);
  const std::vector<UnopenableDevice> unopenable = FindUnopenableWithIds(platform, ids);
  int candidates = 0, configured = 0;
  for (const PresentCollection& d : census) {
    candidates += d.Candidate ? 1 : 0;
    configured += d.WithIds ? 1 : 0;
    const auto why = std::find_if(unopenable.begin(), unopenable.end(), [&](const auto& u) {
      return u.Path == d.Collection.Path;
    });
    Show(view, d, why == unopenable.end() ? "" : why->Reason);
  }
  view.TellUnopenable(unopenable, ids);
  const bool traceFailed = rig.TraceFailed();
  view.Json(RunJson("list", nullptr, traceFailed ? kExitDeviceFailed : kExitOk,
                    {{"collections", census.size()},
                     {"candidates", candidates},
                     {"with_ids", configured},
                     {"unopenable_with_ids", unopenable.size()}}));
  char line[160];
  std::snprintf(line, sizeof line, "%zu collections, %d boot loader candidates, %d with IDs ",
                census.size(), candidates, configured);
  view.Note(line + IdsText(ids));
  return view.ExitCode(kExitOk, "the command reached its goal", traceFailed);
}

}  // namespace zentrel::cli
