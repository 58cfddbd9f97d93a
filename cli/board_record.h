// What the command line keeps of one board's road, and how it says it: the
// exit code from the engine's outcome, the result line, the JSON record.
#pragma once

#include <chrono>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "sequencer/road_run.h"

namespace zentrel::cli {

// What the road left, and how the line ends it.
struct BoardRecord : RoadResult {
  int Number = 1;       // the n-th board on its line (--repeat)
  int ExitCode = 0;
  std::string Message;  // why it failed, for the result line
  std::chrono::system_clock::time_point Start;
  std::string Advice;   // what failed and what to do, after a failure
};

// The exit code of a road that ended as the outcome says.
int ExitCodeOf(const RoadOutcome& outcome);

// "emu-2 ZB-000002 board 3: FAILED: Boot data write Ack error (1 pages, 2.5 s)".
std::string ResultLine(const BoardRecord& record, bool numbered);

// The board's part of a JSON record: which board, how it ended, its fields.
void AddBoardJson(nlohmann::json& object, const BoardRecord& record);

}  // namespace zentrel::cli
