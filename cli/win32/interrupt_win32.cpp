#include <windows.h>

#include <cstdint>

#include "cli/exit_codes.h"
#include "cli/interrupt.h"
#include "cli/interrupt_request.h"

namespace zentrel::cli {

namespace {

BOOL WINAPI OnConsoleEvent(DWORD) {
  if (NoteInterrupt(static_cast<std::int64_t>(GetTickCount64()) * 1'000'000)) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), kInterruptedAgain, sizeof kInterruptedAgain - 1,
              &written, nullptr);
    ExitProcess(kExitInterrupted);
  }
  return TRUE;
}

}  // namespace

void InstallInterruptHandlers() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

}  // namespace zentrel::cli
