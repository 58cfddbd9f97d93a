#include "cli/terminal.h"

// IsTerminal and TerminalSizeOf are the platform's: posix/ and win32/.

namespace zentrel::cli {

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
