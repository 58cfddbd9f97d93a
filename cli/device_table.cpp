#include "cli/device_table.h"

#include "cli/terminal.h"

namespace zentrel::cli {

namespace {

std::string Cut(const std::string& text, std::size_t width) {
  std::string cell = text.substr(0, width);
  cell.resize(width, ' ');
  return cell;
}

}  // namespace

std::string DeviceTableHeading() {
  return Cut("PORT", 12) + " " + Cut("SERIAL", 14) + " " + Cut("STAGE", 24) + " " +
         Cut("PAGES", 13) + " RESULT";
}

std::string FormatDeviceRow(const DeviceRow& row) {
  const ProgressSnapshot& p = row.Progress;
  char pages[32] = "";
  if (p.Writing || p.PagesDone > 0) {
    std::snprintf(pages, sizeof pages, "%u of %u", static_cast<unsigned>(p.PagesDone),
                  static_cast<unsigned>(p.Pages));
  }
  return Cut(row.Port.empty() ? "?" : row.Port, 12) + " " +
         Cut(row.Serial.empty() ? "?" : row.Serial, 14) + " " + Cut(p.Stage, 24) + " " +
         Cut(pages, 13) + " " + row.Result;
}

bool LiveTable::Draw(const std::vector<DeviceRow>& rows) {
  // Every line cut to the terminal's width: a wrapped line would take two
  // and the table would no longer be drawn over itself.
  const std::size_t columns = TerminalSizeOf(out_).Columns;
  std::string text;
  // Back to the heading drawn last time, then every line anew.
  if (drawn_ > 0) text += "\r\033[" + std::to_string(drawn_) + "A";
  text += "\r\033[K" + FitToWidth(DeviceTableHeading(), columns) + "\n";
  for (const DeviceRow& row : rows) {
    text += "\r\033[K" + FitToWidth(FormatDeviceRow(row), columns) + "\n";
  }
  drawn_ = rows.size() + 1;
  return std::fputs(text.c_str(), out_) >= 0 && std::fflush(out_) == 0;
}

}  // namespace zentrel::cli
