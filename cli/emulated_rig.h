// The platform a device command talks to: this machine's HID devices, or
// with --emulate an emulated bus with its boards, side by side or (with
// --repeat) plugged in one after another as an operator would; traced when
// asked. It is the line's hands too: what an operator does between boards.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "cli/options.h"
#include "hid/emulated/emulated_line.h"
#include "hid/hid_platform.h"
#include "protocol/clock.h"
#include "sequencer/board_line.h"

namespace zentrel::cli {

class Rig final : public LineHands {
 public:
  Rig(const DeviceOptions& options, Clock& clock);

  HidPlatform& Platform() { return *platform_; }

  // With --emulate-dump: saves the emulated board's flash, whole or not at
  // all; why it could not be written, else empty. Nothing on real hardware.
  std::string AfterRoad(const DeviceIdentity& board) override;
  // What the operator of an emulated line does after a board's road: take
  // the board off (it leaves the bus) and, when boards come one after
  // another, plug the next one in. False when no board is left to come.
  // Nothing happens on real hardware: a person does it there.
  bool TakeOffAndPlugNext(const std::string& path) override;
  // Whether a --trace or --capture file could not be opened or written; each
  // one was named on stderr when it happened.
  bool TraceFailed() const { return traceFailed_; }

 private:
  const DeviceOptions& options_;
  // Set from the trace's callback, which holds this: a Rig never moves.
  std::atomic<bool> traceFailed_{false};
  std::unique_ptr<HidPlatform> platform_;
  // With --emulate. Declared after platform_, which owns its bus: it goes first.
  std::unique_ptr<emulated::EmulatedLine> line_;
};

}  // namespace zentrel::cli
