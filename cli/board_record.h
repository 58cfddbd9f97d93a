// How the command line says a board's record: its exit code, its result
// line, its JSON record.
#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "sequencer/board_line.h"

namespace zentrel::cli {

// The exit code of a board, or a run, that ended with failure: 0 for none.
int ExitCodeOf(FailureKind failure);

// "emu-2 ZB-000002 board 3: FAILED: Boot data write Ack error (1 pages, 2.5 s)".
std::string ResultLine(const RoadRecord& record, bool numbered);

// The board's part of a JSON record: which board, how it ended, its fields.
void AddBoardJson(nlohmann::json& object, const RoadRecord& record);

}  // namespace zentrel::cli
