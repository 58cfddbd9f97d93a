#include "cli/interrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <initializer_list>

#include "cli/exit_codes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zentrel::cli {

namespace {

constexpr char kSecondMessage[] = "zentrel-flash: interrupted again, ending at once\n";

// When the first request came, in ns on a monotonic clock; 0: none yet.
// Written by the handler, read by every road's thread: an atomic that needs
// no lock is both thread-safe and safe in a handler. A signal sent twice at
// once (timeout sends it to the program and to its process group) is one
// request: only a later one ends the program.
std::atomic<std::int64_t> firstAtNs{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free);
constexpr std::int64_t kSameRequestNs = 500'000'000;

// Notes a request; true for a second one that ends the program at once.
bool EndsAtOnce(std::int64_t nowNs) {
  std::int64_t first = 0;
  if (firstAtNs.compare_exchange_strong(first, nowNs + 1)) return false;
  return nowNs + 1 - first >= kSameRequestNs;
}

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD) {
  if (EndsAtOnce(static_cast<std::int64_t>(GetTickCount64()) * 1'000'000)) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kSecondMessage, sizeof kSecondMessage - 1,
              &written, nullptr);
    ExitProcess(kExitInterrupted);
  }
  return TRUE;
}
#else
void OnSignal(int) {
  // The interrupted code may be about to read errno.
  const int savedErrno = errno;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
  if (EndsAtOnce(std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec)) {
    // Only async-signal-safe calls here.
    ssize_t ignored = write(STDERR_FILENO, kSecondMessage, sizeof kSecondMessage - 1);
    (void)ignored;
    _exit(kExitInterrupted);
  }
  errno = savedErrno;
}
#endif

}  // namespace

void InstallInterruptHandlers() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // SIGQUIT (Ctrl-\) too: a stop that says what the device holds, not a core.
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
  // A reader that went away (flash ... | head -1) shows as failed writes.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

bool InterruptRequested() { return firstAtNs.load() != 0; }

void ClearInterrupt() { firstAtNs.store(0); }

}  // namespace zentrel::cli
