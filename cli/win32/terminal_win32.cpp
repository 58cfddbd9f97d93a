#include <io.h>
#include <windows.h>

#include "cli/terminal.h"

namespace zentrel::cli {

bool IsTerminal(std::FILE* stream) {
  // Only a console that draws the live line's escapes (virtual terminal
  // mode, Windows 10 and later): an older console would print them, and NUL,
  // which _isatty calls a terminal, draws nothing. Both get plain lines.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

TerminalSize TerminalSizeOf(std::FILE* stream) {
  TerminalSize size;
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (GetConsoleScreenBufferInfo(handle, &info)) {
    size.Columns = static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    size.Rows = static_cast<std::size_t>(info.srWindow.Bottom - info.srWindow.Top + 1);
  }
  return size;
}

}  // namespace zentrel::cli
