// --emulate-fault [K:]NAME[:N]: which fault an emulated device shows, on
// which board (K, counted from 1; none: every board) and what its N counts.
#pragma once

#include <string>
#include <vector>

#include "hid/emulated/emulated_boot_loader.h"

namespace zentrel::cli {

struct FaultRequest {
  emulated::FaultKind Kind;
  int N = 1;
  int Device = 0;  // 0: every board
};

// Parses NAME, NAME:N or K:NAME[:N] (N a whole number, 0 or more; K a board,
// 1 or more). Empty error text on success; else why the option is refused.
std::string ParseFaultOption(const std::string& text, FaultRequest& fault);

// Checks a whole list: each parses, and no fault is named twice for a board.
std::string CheckFaultOptions(const std::vector<std::string>& options);

// The help text: each name with what N counts.
std::string FaultHelp();

}  // namespace zentrel::cli
