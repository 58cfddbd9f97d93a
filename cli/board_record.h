// What the command line keeps of one board's road, and how it says it: the
// exit code from the engine's outcome, the result line, the JSON record.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "hid/device_identity.h"
#include "sequencer/road_outcome.h"
#include "sequencer/road_stage.h"
#include "sequencer/sequencer_view.h"

namespace zentrel::cli {

struct BoardRecord {
  DeviceIdentity Board;  // as it was chosen; empty when none was
  int Number = 1;        // the n-th board on its line (--repeat)
  RoadOutcome Outcome;
  int ExitCode = 0;
  std::string Message;   // why it failed, for the result line
  std::chrono::system_clock::time_point Start;
  double Seconds = 0;
  double WritingSeconds = 0;  // from the first page on
  std::array<std::string, 6> Fields;  // as the road left them, without the indent
  std::uint16_t FlashSizeKiB = 0;     // as the boot status gave it
  bool LeftBus = false;  // after a failure: the device was no longer attached
  std::string Advice;    // what failed and what to do, after a failure
};

// The fields a road fills, in the order they are shown.
std::vector<ValueField> FieldsOf(RoadKind road);

// The exit code of a road that ended as the outcome says.
int ExitCodeOf(const RoadOutcome& outcome);

// "resetting", "searching", ... for the progress line and the table.
const char* PhaseWord(RoadPhase phase);

// What the device holds after a road that did not complete, from where it
// ended ("the device holds an incomplete image; flash it again").
std::string DeviceHolds(const RoadOutcome& outcome);

// The message of a stopped road: where it stopped and what the device holds.
std::string StoppedText(const RoadOutcome& outcome);

// "emu-2 ZB-000002 board 3: FAILED: Boot data write Ack error (1 pages, 2.5 s)".
std::string ResultLine(const BoardRecord& record, bool numbered);

// The board's part of a JSON record: which board, how it ended, its fields.
void AddBoardJson(nlohmann::json& object, const BoardRecord& record);

}  // namespace zentrel::cli
