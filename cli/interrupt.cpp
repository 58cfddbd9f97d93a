#include "cli/interrupt.h"

#include <atomic>

#include "cli/interrupt_request.h"

// InstallInterruptHandlers is the platform's: posix/ and win32/.

namespace zentrel::cli {

namespace {

// When the first request came, in ns on a monotonic clock; 0: none yet.
// Written by the handler, read by every road's thread: an atomic that needs
// no lock is both thread-safe and safe in a handler. A signal sent twice at
// once (timeout sends it to the program and to its process group) is one
// request: only a later one ends the program.
std::atomic<std::int64_t> firstAtNs{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free);
constexpr std::int64_t kSameRequestNs = 500'000'000;

}  // namespace

bool NoteInterrupt(std::int64_t nowNs) {
  std::int64_t first = 0;
  if (firstAtNs.compare_exchange_strong(first, nowNs + 1)) return false;
  return nowNs + 1 - first >= kSameRequestNs;
}

bool InterruptRequested() { return firstAtNs.load() != 0; }

void ClearInterrupt() { firstAtNs.store(0); }

}  // namespace zentrel::cli
