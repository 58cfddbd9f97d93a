#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <initializer_list>

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/interrupt_request.h"

namespace zentrel::cli {

namespace {

void OnSignal(int) {
  // The interrupted code may be about to read errno.
  const int savedErrno = errno;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);  // async-signal-safe
  if (NoteInterrupt(std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec)) {
    // Only async-signal-safe calls here.
    ssize_t ignored = write(STDERR_FILENO, kInterruptedAgain, sizeof kInterruptedAgain - 1);
    (void)ignored;
    _exit(kExitInterrupted);
  }
  errno = savedErrno;
}

}  // namespace

void InstallInterruptHandlers() {
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
}

}  // namespace zentrel::cli
