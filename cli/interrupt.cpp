#include "cli/interrupt.h"

#include <csignal>
#include <initializer_list>

#include "cli/exit_codes.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace zentrel::cli {

namespace {

volatile std::sig_atomic_t requested = 0;

constexpr char kSecondMessage[] = "zentrel-flash: interrupted again, ending at once\n";

#ifdef _WIN32
BOOL WINAPI OnConsoleEvent(DWORD) {
  if (requested != 0) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kSecondMessage, sizeof kSecondMessage - 1,
              &written, nullptr);
    ExitProcess(kExitInterrupted);
  }
  requested = 1;
  return TRUE;
}
#else
void OnSignal(int) {
  if (requested != 0) {
    // Only async-signal-safe calls here.
    ssize_t ignored = write(STDERR_FILENO, kSecondMessage, sizeof kSecondMessage - 1);
    (void)ignored;
    _exit(kExitInterrupted);
  }
  requested = 1;
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
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
  // A reader that went away (flash ... | head -1) shows as failed writes.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
#endif
}

bool InterruptRequested() { return requested != 0; }

void ClearInterrupt() { requested = 0; }

}  // namespace zentrel::cli
