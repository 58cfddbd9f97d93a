#include <algorithm>

#include "sequencer/failure_advice.h"

namespace zentrel {

std::string UnopenableAdvice(const std::vector<UnopenableDevice>& found) {
  // Access rules help only where access was what failed.
  if (std::any_of(found.begin(), found.end(), [](const auto& d) { return d.Denied; })) {
    return "to give your user access, install the udev rule and plug the device in again "
           "(README, \"Device access on Linux\")";
  }
  return "";
}

}  // namespace zentrel
