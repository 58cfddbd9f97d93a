// What the command line needs to know of a terminal: whether a stream is
// one, and how wide it is, so that a line drawn in place never wraps.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace zentrel::cli {

// Back to the start of the line and clear it: where a live line is drawn.
inline constexpr const char* kClearLine = "\r\033[K";

bool IsTerminal(std::FILE* stream);

struct TerminalSize {
  std::size_t Columns = 80;  // when it cannot be told
  std::size_t Rows = 24;
};
// Read anew at every call: the window may have been resized.
TerminalSize TerminalSizeOf(std::FILE* stream);

// text cut to fit in columns - 1 (the last column would wrap on some
// terminals), never inside a UTF-8 character.
std::string FitToWidth(const std::string& text, std::size_t columns);

}  // namespace zentrel::cli
