// What the command line says about a road: the stage it is in, what the
// device holds when the road is stopped there, and the exit code of a road
// that failed with a box. Shared by the one-device road and the roads of
// `flash --all`.
#pragma once

#include <cstdint>
#include <string>

#include "sequencer/boot_sequencer.h"

namespace zentrel::cli {

// A short name of the stage a sequencer state belongs to ("searching").
const char* StageName(std::uint8_t state);

// What the device holds when a road is stopped in the sequencer's state.
std::string InterruptedText(const BootSequencer& sequencer, std::uint32_t pagesDone,
                            std::uint32_t pages);

// The exit code of a road that ended without reaching its goal, from its
// last box (none: the conversation failed).
int ExitCodeForFailure(bool hasBox, const std::string& boxText);

}  // namespace zentrel::cli
