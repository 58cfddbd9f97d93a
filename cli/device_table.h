// The live table of `flash --all` on a terminal: a heading and one row per
// line of boards (port, serial, stage, page n of N, result), drawn again in
// place.
#pragma once

#include <cstddef>
#include <vector>

#include "sequencer/board_line.h"

namespace zentrel::cli {

// Draws the rows on stdout over the ones drawn before; drawn counts the
// lines on screen, heading included.
void DrawTable(const std::vector<LineState>& rows, std::size_t& drawn);

}  // namespace zentrel::cli
