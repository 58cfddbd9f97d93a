// The many-board suite on the emulated bus: boards back at once after their
// reset, and virtual time for each line, so nothing waits.
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "tests/support/board_rack.h"

namespace zentrel::testing {
namespace {

// Virtual time for lines on threads of their own: each thread keeps its
// own, so that one line's waits never eat into another's bounds, and each
// board is only ever touched from its own line's thread. A wait lets the
// other lines run meanwhile.
class ThreadFakeClock final : public Clock {
 public:
  std::uint64_t NowUs() const override { return Mine(); }
  void SleepUs(std::uint64_t us) override {
    Mine() += us;
    std::this_thread::yield();
  }

 private:
  std::uint64_t& Mine() const {
    thread_local std::map<const ThreadFakeClock*, std::uint64_t> now;
    return now[this];
  }
};

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
  BoardSeen Seen(int k) override {
    const emulated::EmulatedBootLoader& b = Board(k);
    return {b.Flash(),           b.ResetCount(), b.DataReportCount(), b.Commands().size(),
            b.ProtocolErrors(), b.Present() && !bus_.GetLocation(b.Path()).empty()};
  }

 private:
  emulated::EmulatedBootLoader& Board(int k) { return *boards_[static_cast<std::size_t>(k - 1)]; }

  ThreadFakeClock clock_;
  emulated::EmulatedBus bus_{clock_};
  std::vector<emulated::EmulatedBootLoader*> boards_;
};

}  // namespace

std::vector<RackMaker> Racks() {
  return {{"EmulatedBus", [] { return std::unique_ptr<BoardRack>(new EmulatedRack); }}};
}

}  // namespace zentrel::testing
