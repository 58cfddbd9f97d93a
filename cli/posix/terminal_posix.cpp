#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/terminal.h"

namespace zentrel::cli {

bool IsTerminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

TerminalSize TerminalSizeOf(std::FILE* stream) {
  TerminalSize size;
  winsize window{};
  if (ioctl(fileno(stream), TIOCGWINSZ, &window) == 0) {
    if (window.ws_col > 0) size.Columns = window.ws_col;
    if (window.ws_row > 0) size.Rows = window.ws_row;
  }
  return size;
}

}  // namespace zentrel::cli
