#include <windows.h>

#include "cli/run_stamp.h"

namespace zentrel::cli {

std::string HostName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

}  // namespace zentrel::cli
