// The one stop request that the platform's handler (posix/, win32/) notes
// and every road's thread reads.
#pragma once

#include <cstdint>

namespace zentrel::cli {

inline constexpr char kInterruptedAgain[] = "zentrel-flash: interrupted again, ending at once\n";

// Notes a request at nowNs on a monotonic clock; true for a second one that
// ends the program at once. Safe in a signal handler.
bool NoteInterrupt(std::int64_t nowNs);

}  // namespace zentrel::cli
