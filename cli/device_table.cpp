#include "cli/device_table.h"

#include <cstdio>

#include "cli/console_view.h"
#include "cli/terminal.h"

namespace zentrel::cli {

namespace {

// One line, heading or row: cleared first, in columns, cut to the width.
std::string TableLine(const std::string& port, const std::string& serial,
                      const std::string& stage, const std::string& pages,
                      const std::string& result, std::size_t columns) {
  char line[80];
  std::snprintf(line, sizeof line, "%-12.12s %-14.14s %-24.24s %-13.13s ", port.c_str(),
                serial.c_str(), stage.c_str(), pages.c_str());
  return kClearLine + FitToWidth(line + result, columns) + "\n";
}

}  // namespace

void DrawTable(const std::vector<LineState>& rows, std::size_t& drawn) {
  // Every line cut to the terminal's width: a wrapped line would take two
  // and the table would no longer be drawn over itself.
  const std::size_t columns = TerminalSizeOf(stdout).Columns;
  std::string text = drawn > 0 ? "\r\033[" + std::to_string(drawn) + "A" : "";
  text += TableLine("PORT", "SERIAL", "STAGE", "PAGES", "RESULT", columns);
  for (const LineState& r : rows) {
    const ProgressSnapshot& p = r.Progress;
    const std::string pages =
        p.Writing || p.PagesDone > 0
            ? std::to_string(p.PagesDone) + " of " + std::to_string(p.Pages)
            : "";
    const std::string result =
        !r.Last ? "" : r.Last->Passed() ? "passed" : "FAILED: " + r.Last->Message;
    text += TableLine(Shown(r.Board.Port), Shown(r.Board.Serial), p.Stage, pages, result, columns);
  }
  drawn = rows.size() + 1;
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
}

}  // namespace zentrel::cli
