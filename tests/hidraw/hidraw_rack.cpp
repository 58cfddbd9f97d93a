// The many-board suite on the hidraw harness, through the hidapi platform:
// boards re-enumerate in real time onto new nodes on their own ports.
#include <memory>
#include <vector>

#include "hid/hidapi/hidapi_platform.h"
#include "tests/hidraw/hidraw_testbed.h"
#include "tests/support/board_rack.h"

namespace zentrel::testing {
namespace {

class HidrawRack final : public BoardRack {
 public:
  bool Plug(int boards, std::string& error) override {
    hidraw::HidrawDeviceConfig config;
    config.Behaviour.ReenumerateUs = 100'000;
    for (int k = 1; k <= boards; ++k) boards_.push_back(&bed_.Add(hidraw::NumberedDevice(k, config)));
    // Without umockdev's preload there is no device.
    if (!bed_.Start(error)) return false;
    platform_ = std::make_unique<HidapiPlatform>();
    return true;
  }
  void Vanish(int k, int n) override { Board(k).InjectFault(emulated::FaultKind::Vanish, n); }
  HidPlatform& Platform() override { return *platform_; }
  std::string Port(int k) const override { return "1-" + std::to_string(k); }
  // Without a reset nothing needs real time: the search may pass on virtual
  // time (one line only: virtual_ is not shared between threads).
  Clock& RoadClock(bool boardResets) override {
    return boardResets ? static_cast<Clock&>(steady_) : virtual_;
  }
  BoardSeen Seen(int k) override {
    BoardSeen seen = Board(k).Inspect([](const emulated::EmulatedBootLoader& b) {
      return BoardSeen{b.Flash(),           b.ResetCount(), b.DataReportCount(),
                       b.Commands().size(), b.ProtocolErrors(), false};
    });
    seen.Present = !Board(k).CurrentDevNode().empty();
    return seen;
  }

 private:
  hidraw::HidrawBootLoader& Board(int k) { return *boards_[static_cast<std::size_t>(k - 1)]; }

  hidraw::HidrawTestbed bed_;
  std::vector<hidraw::HidrawBootLoader*> boards_;
  std::unique_ptr<HidapiPlatform> platform_;
  SteadyClock steady_;
  FakeClock virtual_;
};

}  // namespace

std::vector<RackMaker> Racks() {
  return {{"Hidraw", [] { return std::unique_ptr<BoardRack>(new HidrawRack); }}};
}

}  // namespace zentrel::testing
