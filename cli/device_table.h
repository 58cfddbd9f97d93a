// The live table of `flash --all` on a terminal: a heading and one row per
// device (port, serial, stage, page n of N, result), drawn again in place.
#pragma once

#include <cstddef>
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

// Draws the rows on stdout over the ones drawn before; drawn counts the
// lines on screen, heading included.
void DrawTable(const std::vector<DeviceRow>& rows, std::size_t& drawn);

}  // namespace zentrel::cli
