// A road's stage and outcome in words, for front ends that say more than the
// road's own status and box texts: a progress line, a record, advice.
#pragma once

#include <string>
#include <vector>

#include "sequencer/road_outcome.h"
#include "sequencer/road_stage.h"

namespace zentrel {

// "resetting", "searching", ... "done".
const char* PhaseWord(RoadPhase phase);
// The word of the phase a stage belongs to: where a record says a road ended.
const char* StageWord(SequencerStage stage);

// "no_device", "device_failed", ...; "" for none.
const char* FailureKindName(FailureKind kind);

// The fields a road fills, in the order the window shows them.
std::vector<ValueField> FieldsOf(RoadKind road);

// What the device holds after a road that did not complete, from where it
// ended ("the device holds an incomplete image; flash it again"). A reset is
// claimed only where the boot loader answered after it.
std::string DeviceHolds(const RoadOutcome& outcome);

// The message of a stopped road: where it stopped and what the device holds.
std::string StoppedText(const RoadOutcome& outcome);

}  // namespace zentrel
