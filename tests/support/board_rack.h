// Several boot loaders on one HID platform, so that a scenario of many boards
// is written once and run on each rig: the emulated bus, and the hidraw
// harness under the real platform layer. Board k (1, 2, ...) is on port
// Port(k) with serial number ZB-00000k.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::testing {

// What a board saw, read at one moment.
struct BoardSeen {
  std::vector<std::uint8_t> Flash;
  int Resets = 0;
  std::size_t DataReports = 0;
  std::size_t Commands = 0;
  int ProtocolErrors = 0;
  bool Present = false;
};

class BoardRack {
 public:
  virtual ~BoardRack() = default;
  // False, with the reason, when the rig cannot be set up.
  virtual bool Plug(int boards, std::string& error) = 0;
  // Board k leaves the bus after its n-th data report.
  virtual void Vanish(int k, int n) = 0;
  virtual HidPlatform& Platform() = 0;
  virtual std::string Port(int k) const = 0;
  // The time a line runs on: real time where a board resets on a rig that
  // keeps real time; safe to share between lines side by side.
  virtual Clock& RoadClock(bool boardResets) = 0;
  virtual BoardSeen Seen(int k) = 0;
};

struct RackMaker {
  const char* Name;
  std::unique_ptr<BoardRack> (*Make)();
};
inline void PrintTo(const RackMaker& maker, std::ostream* os) { *os << maker.Name; }

// The rigs of this test program; the suite runs on each.
std::vector<RackMaker> Racks();

}  // namespace zentrel::testing
