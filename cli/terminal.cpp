#include "cli/terminal.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace zentrel::cli {

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
  // Only a console that draws the live line's escapes (virtual terminal
  // mode, Windows 10 and later): an older console would print them, and NUL,
  // which _isatty calls a terminal, draws nothing. Both get plain lines.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

TerminalSize TerminalSizeOf(std::FILE* stream) {
  TerminalSize size;
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (GetConsoleScreenBufferInfo(handle, &info)) {
    size.Columns = static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    size.Rows = static_cast<std::size_t>(info.srWindow.Bottom - info.srWindow.Top + 1);
  }
#else
  winsize window{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &window) == 0) {
    if (window.ws_col > 0) size.Columns = window.ws_col;
    if (window.ws_row > 0) size.Rows = window.ws_row;
  }
#endif
  return size;
}

std::string FitToWidth(const std::string& text, std::size_t columns) {
  const std::size_t room = columns > 1 ? columns - 1 : 1;
  std::size_t shown = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    // A byte 10xxxxxx continues the character before it.
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (shown++ == room) return text.substr(0, at);
  }
  return text;
}

}  // namespace zentrel::cli
