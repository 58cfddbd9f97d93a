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

// A board's JSON object: which board, how it ended, its fields, and file,
// the firmware a flash sent (null for info and app-info: left out).
nlohmann::json BoardJson(const RoadRecord& record, const nlohmann::json& file);

// Every command's result record: the command, its file (null: none), the
// exit code, and how the run ended (a board's object, the counts of many,
// why it ended before any board, an image, a list's counts).
nlohmann::json RunJson(const char* command, const nlohmann::json& file, int exitCode,
                       nlohmann::json ending);

}  // namespace zentrel::cli
