#include "sequencer/failure_advice.h"

namespace zentrel {

std::string UnopenableAdvice(const std::vector<UnopenableDevice>& found) {
  if (!found.empty()) return "another program may hold it open; close that program and try again";
  return "";
}

}  // namespace zentrel
