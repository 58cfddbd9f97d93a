#include "hid/emulated/emulated_line.h"

#include <cstdio>
#include <cstring>

namespace zentrel::emulated {

EmulatedLine::EmulatedLine(EmulatedBus& bus, EmulatedLineConfig config)
    : bus_(bus), config_(std::move(config)) {
  const int atOnce = config_.OneAfterAnother ? 1 : config_.Boards;
  for (int i = 0; i < atOnce; ++i) Plug();
}

void EmulatedLine::Plug() {
  const int number = static_cast<int>(boards_.size()) + 1;
  BootLoaderConfig config = config_.Board;
  char serial[16];
  std::snprintf(serial, sizeof serial, "ZB-%06d", number % 1000000);
  config.Serial.assign(serial, serial + std::strlen(serial));
  EmulatedBootLoader& board = bus_.AddBootLoader(config);
  for (const FaultRequest& fault : config_.Faults) {
    if (fault.Device == 0 || fault.Device == number) board.InjectFault(fault.Kind, fault.N);
  }
  boards_.push_back(&board);
}

bool EmulatedLine::TakeOffAndPlugNext(const std::string& path) {
  for (EmulatedBootLoader* board : boards_) {
    if (board->Path() == path) board->InjectFault(FaultKind::Vanish, 0);
  }
  // Side by side each line waits on its port for ever, as a real one does.
  if (!config_.OneAfterAnother) return true;
  if (static_cast<int>(boards_.size()) >= config_.Boards) return false;
  Plug();
  return true;
}

const std::vector<std::uint8_t>* EmulatedLine::FlashOf(const std::string& path) const {
  for (const EmulatedBootLoader* board : boards_) {
    if (board->Path() == path) return &board->Flash();
  }
  return nullptr;
}

}  // namespace zentrel::emulated
