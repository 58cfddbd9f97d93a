#include "cli/unopenable_hint.h"

#include <algorithm>


namespace zentrel::cli {

std::string UnopenableAdvice(const std::vector<UnopenableDevice>& found) {
#ifdef _WIN32
  if (!found.empty()) return "another program may hold it open; close that program and try again";
#else
  // Access rules help only where access was what failed.
  if (std::any_of(found.begin(), found.end(), [](const auto& d) { return d.Denied; })) {
    return "to give your user access, install the udev rule and plug the device in again "
           "(README, \"Device access on Linux\")";
  }
#endif
  return "";
}

void TellUnopenable(const std::vector<UnopenableDevice>& found, const DeviceIds& ids,
                    std::FILE* err) {
  for (const UnopenableDevice& device : found) {
    std::fprintf(err, "zentrel-flash: %s is a device with IDs %s, but it cannot be opened: %s\n",
                 device.Path.c_str(), IdsText(ids).c_str(), device.Reason.c_str());
  }
  if (const std::string advice = UnopenableAdvice(found); !advice.empty()) {
    std::fprintf(err, "zentrel-flash: %s\n", advice.c_str());
  }
}

}  // namespace zentrel::cli
