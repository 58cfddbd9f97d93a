#include <unistd.h>

#include <climits>

#include "cli/run_stamp.h"

namespace zentrel::cli {

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = "";
  // A name cut at the buffer need not end in a zero.
  if (gethostname(name, sizeof name - 1) != 0) return "";
  name[sizeof name - 1] = '\0';
  return name;
}

}  // namespace zentrel::cli
