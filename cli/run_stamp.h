// What ties a JSON record to its run when lines from many runs and stations
// end up in one log: a random run identifier and the machine's name.
#pragma once

#include <string>

namespace zentrel::cli {

struct RunStamp {
  std::string Run;   // 128 random bits as a UUID (version 4): 8-4-4-4-12 hex digits
  std::string Host;  // the machine's name; "" when it cannot be told
};

// A new identifier and the host's name, once per invocation.
RunStamp NewRunStamp();

// The machine's name as the system gives it (platform file).
std::string HostName();

}  // namespace zentrel::cli
