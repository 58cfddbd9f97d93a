// Boards of one kind on an emulated bus, as a production line has them:
// board k (from 1) has the serial number ZB-00000k and the faults asked for
// it; all plugged in at once, or one after another as an operator takes a
// flashed board off and plugs the next one in.
#pragma once

#include <string>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "hid/emulated/fault_kind.h"

namespace zentrel::emulated {

struct EmulatedLineConfig {
  BootLoaderConfig Board;             // every board's, but its serial number
  std::vector<FaultRequest> Faults;   // for every board (Device 0) or board k
  int Boards = 1;
  bool OneAfterAnother = false;
};

class EmulatedLine {
 public:
  EmulatedLine(EmulatedBus& bus, EmulatedLineConfig config);

  // Takes the board behind path off the bus and, one after another, plugs
  // the next one in. False when no board is left to come.
  bool TakeOffAndPlugNext(const std::string& path);
  // The flash of the board behind path; nullptr if no board has that path.
  const std::vector<std::uint8_t>* FlashOf(const std::string& path) const;

 private:
  void Plug();

  EmulatedBus& bus_;
  EmulatedLineConfig config_;
  std::vector<EmulatedBootLoader*> boards_;  // never changes while roads run side by side
};

}  // namespace zentrel::emulated
