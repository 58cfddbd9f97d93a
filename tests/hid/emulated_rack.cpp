// The many-board suite on the emulated bus: boards back at once after their
// reset and ticks not paced, so nothing waits.
#include <memory>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "tests/support/board_rack.h"

namespace zentrel::testing {
namespace {

class EmulatedRack final : public BoardRack {
 public:
  bool Plug(int boards, std::string&) override {
    for (int k = 1; k <= boards; ++k) {
      emulated::BootLoaderConfig config;
      config.Serial = u"ZB-00000" + std::u16string(1, static_cast<char16_t>(u'0' + k));
      config.ReenumerateUs = 0;
      boards_.push_back(&bus_.AddBootLoader(config));
    }
    return true;
  }
  void Vanish(int k, int n) override { Board(k).InjectFault(emulated::FaultKind::Vanish, n); }
  HidPlatform& Platform() override { return bus_; }
  std::string Port(int k) const override { return "emu-" + std::to_string(k); }
  Clock& RoadClock(bool) override { return clock_; }
  // Ticks as fast as they come: the search gives up after its attempts.
  void Run(BootSequencer& road, Clock&) override {
    for (int ticks = 0; ticks < 1'000'000 && road.SequencerState() != Idle; ++ticks) road.Tick();
  }
  BoardSeen Seen(int k) override {
    const emulated::EmulatedBootLoader& b = Board(k);
    return {b.Flash(),           b.ResetCount(), b.DataReportCount(), b.Commands().size(),
            b.ProtocolErrors(), b.Present() && !bus_.GetLocation(b.Path()).empty()};
  }

 private:
  emulated::EmulatedBootLoader& Board(int k) { return *boards_[static_cast<std::size_t>(k - 1)]; }

  // Real time, shared by the roads' threads; nothing waits for it.
  SteadyClock clock_;
  emulated::EmulatedBus bus_{clock_};
  std::vector<emulated::EmulatedBootLoader*> boards_;
};

}  // namespace

std::vector<RackMaker> Racks() {
  return {{"EmulatedBus", [] { return std::unique_ptr<BoardRack>(new EmulatedRack); }}};
}

}  // namespace zentrel::testing
