// The live table of `flash --all` on a terminal: a heading and one row per
// device (port, serial, stage, page n of N, result), drawn again in place.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "sequencer/road_run.h"

namespace zentrel::cli {

struct DeviceRow {
  std::string Port;
  std::string Serial;
  ProgressSnapshot Progress;  // its Stage says "done" or "failed" at the end
  std::string Result;         // empty while the road runs
};

// One row's text (without line end), columns as in the heading.
std::string FormatDeviceRow(const DeviceRow& row);
std::string DeviceTableHeading();

class LiveTable {
 public:
  explicit LiveTable(std::FILE* out) : out_(out) {}
  // Draws the rows over the ones drawn before. False when writing failed.
  bool Draw(const std::vector<DeviceRow>& rows);

 private:
  std::FILE* out_;
  std::size_t drawn_ = 0;  // lines on screen, heading included
};

}  // namespace zentrel::cli
