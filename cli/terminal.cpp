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

namespace {

// The window's width and height, or 0 where they cannot be told.
void WindowSize(std::FILE* stream, std::size_t& columns, std::size_t& rows) {
  columns = rows = 0;
#ifdef _WIN32
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  if (GetConsoleScreenBufferInfo(handle, &info)) {
    columns = static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    rows = static_cast<std::size_t>(info.srWindow.Bottom - info.srWindow.Top + 1);
  }
#else
  winsize size{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0) {
    columns = size.ws_col;
    rows = size.ws_row;
  }
#endif
}

}  // namespace

std::size_t TerminalColumns(std::FILE* stream) {
  std::size_t columns, rows;
  WindowSize(stream, columns, rows);
  return columns > 0 ? columns : 80;
}

std::size_t TerminalRows(std::FILE* stream) {
  std::size_t columns, rows;
  WindowSize(stream, columns, rows);
  return rows > 0 ? rows : 24;
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
