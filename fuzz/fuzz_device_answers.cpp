// The roads against a device that answers whatever the input says. Every
// call at the platform seam takes one control byte: most values pass the call
// on to an emulated boot loader (so an input that runs out is a good session
// to the end of the road), some of them with the user's stop after it; the
// rest fail it, answer with the input's bytes, or take the board off the bus.
// Collections that are not the board (ghosts) answer from the input alone.
//
// Input: byte 0 picks the road (bits 0-1), the pace (bit 2), the ghosts
// (bits 3-4: how many; bit 5: before the board) and a serial (bit 6) or port
// (bit 7) filter; then one byte per ghost (bit 0: caps known, bit 1: the boot
// usage, else four bytes of usage page and usage follow); then the calls.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "hid/emulated/emulated_bus.h"
#include "sequencer/road_run.h"
#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

class AnsweringPlatform final : public HidPlatform {
 public:
  AnsweringPlatform(const std::uint8_t* data, std::size_t size, FakeClock& clock)
      : in_(data), end_(data + size), clock_(clock), bus_(clock) {
    board_ = &bus_.AddBootLoader({});
    const std::uint8_t setup = Next();
    Road = setup % 4 == 1 ? RoadKind::Download
           : setup % 4 == 2 ? RoadKind::AppInfo : RoadKind::Info;
    Pacing = (setup & 4) != 0 ? Pace::Fast : Pace::Window;
    ghostsFirst_ = (setup & 0x20) != 0;
    for (int i = 0; i < (setup >> 3) % 4; ++i) {
      const std::uint8_t kind = Next();
      HidCollection& ghost = ghosts_.emplace_back(
          HidCollection{"ghost" + std::to_string(i), kBootUsagePage, kBootUsage, (kind & 1) != 0});
      if ((kind & 2) != 0) continue;
      ghost.UsagePage = Next16();
      ghost.Usage = Next16();
    }
    if ((setup & 0x40) != 0) Filter.Serial = "ZB-000001";
    if ((setup & 0x80) != 0) Filter.Port = "emu-1";
  }
  RoadKind Road;
  Pace Pacing;
  DeviceFilter Filter;
  // Every packet the device took, in order; what the device itself said (an
  // answer counts only with the bytes it brought, not what the buffer held).
  std::vector<std::uint8_t> Accepted;
  int OksCame = 0;
  int AcksCame = 0;
  bool ValidStringsCame = false;
  bool StopAsked = false;

  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override {
    std::vector<HidCollection> all;
    if (ToBoard(Call())) {
      bus_.Enumerate([&](const HidCollection& board) {
        all.push_back(board);
        return true;
      });
    }
    all.insert(ghostsFirst_ ? all.begin() : all.end(), ghosts_.begin(), ghosts_.end());
    for (const HidCollection& each : all) {
      if (!visit(each)) return;
    }
  }
  HidHandle Open(const std::string& path) override {
    const std::uint8_t c = Call();
    HidHandle h = kNoHidHandle;
    if (path.rfind("ghost", 0) == 0) {
      if (c < 0xC0) h = nextGhost_++;
    } else if (ToBoard(c)) {
      h = bus_.Open(path);
    }
    if (h != kNoHidHandle) open_.insert(h);
    return h;
  }
  bool GetAttributes(HidHandle h, std::uint16_t& vendorId, std::uint16_t& productId) override {
    if (Pass(h)) return bus_.GetAttributes(h, vendorId, productId);
    std::uint16_t ids[2] = {};
    const bool ok = Answer(ids, 2);
    vendorId = ids[0];
    productId = ids[1];
    return ok;
  }
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override {
    return Pass(h) ? bus_.GetProductString(h, units, count) : Answer(units, count);
  }
  bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) override {
    return Pass(h) ? bus_.GetSerialNumber(h, units, count) : Answer(units, count);
  }
  bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) override {
    return Pass(h) ? bus_.SetFeature(h, data, length) : (control_ & 1) != 0;
  }
  bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) override {
    const bool came = Pass(h) ? Full(bus_.GetFeature(h, data, length), length) : Answer(data, length);
    const bool status = came && delivered_ > 2;
    OksCame += status && data[2] == 0xAA;   // boot started, erase done
    AcksCame += status && data[2] == 0xAD;  // a packet acknowledged
    return came;
  }
  bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) override {
    const bool taken = Pass(h) ? bus_.WriteOutput(h, data, length) : (control_ & 1) != 0;
    if (taken) Accepted.insert(Accepted.end(), data, data + length);
    return taken;
  }
  bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length, int timeoutMs) override {
    const bool came =
        Pass(h) ? Full(bus_.ReadInput(h, data, length, timeoutMs), length) : Answer(data, length);
    if (!came) clock_.AdvanceUs(static_cast<std::uint64_t>(timeoutMs) * 1000);
    // Strings are valid from an upper-case letter in byte 1 on.
    ValidStringsCame |= came && delivered_ > 1 && data[1] >= 'A' && data[1] <= 'Z';
    return came;
  }
  void Close(HidHandle h) override {
    FUZZ_CHECK(open_.erase(h) == 1);  // only what Open gave, once
    if (!IsGhost(h)) bus_.Close(h);
  }
  std::size_t OpenHandleCount() const override { return open_.size(); }
  std::string GetLocation(const std::string& path) override { return bus_.GetLocation(path); }

 private:
  static constexpr HidHandle kFirstGhost = HidHandle{1} << 40;
  static bool IsGhost(HidHandle h) { return h >= kFirstGhost; }

  std::uint8_t Next() { return in_ < end_ ? *in_++ : 0; }
  std::uint16_t Next16() {  // low byte first
    const std::uint8_t low = Next();
    return static_cast<std::uint16_t>(low | Next() << 8);
  }
  // Every call costs a USB frame, so no poll spins on a clock that stands.
  std::uint8_t Call() {
    clock_.AdvanceUs(1000);
    return Next();
  }
  // Whether the call goes to the board; otherwise control_ says how to answer
  // (bit 0: success, for a write too).
  bool Pass(HidHandle h) {
    FUZZ_CHECK(open_.count(h) == 1);  // never a handle that is not open
    control_ = Call();
    return !IsGhost(h) && ToBoard(control_);
  }
  // Below 0xC0 the call goes to the board (from 0xB0 on, the user then asks
  // to stop); from 0xF0 on the board leaves the bus first; in between the
  // input fails or answers it.
  bool ToBoard(std::uint8_t c) {
    StopAsked |= c >= 0xB0 && c < 0xC0;
    if (c >= 0xF0) board_->InjectFault(emulated::FaultKind::Vanish, 0);
    return c < 0xC0 || c >= 0xF0;
  }
  // The board answers whole reports.
  bool Full(bool came, std::size_t length) {
    delivered_ = came ? length : 0;
    return came;
  }
  // Up to length bytes or 16-bit units (IDs; a string with or without its
  // zero unit) from the input.
  template <typename Unit>
  bool Answer(Unit* data, std::size_t length) {
    const std::size_t n = delivered_ = std::min<std::size_t>(Next(), length);
    for (std::size_t i = 0; i < n; ++i) {
      data[i] = static_cast<Unit>(sizeof(Unit) == 1 ? Next() : Next16());
    }
    return (control_ & 1) != 0;
  }

  const std::uint8_t* in_;
  const std::uint8_t* end_;
  FakeClock& clock_;
  emulated::EmulatedBus bus_;
  emulated::EmulatedBootLoader* board_ = nullptr;
  std::vector<HidCollection> ghosts_;
  bool ghostsFirst_ = false;
  std::set<HidHandle> open_;
  HidHandle nextGhost_ = kFirstGhost;
  std::uint8_t control_ = 0;
  std::size_t delivered_ = 0;  // bytes the last answer brought
};

// The most ticks a road may take, from the bounds its stages promise: a reset
// (1 tick), its delay (31), a search of at most 500 attempts, the boot status
// (1) and its delay (19), the strings within 5 s, then the erase within 30 s
// and each of the packets (3 pages of 4) sent in one tick and acknowledged
// within 2 s; the application road asks at most 500 times, waits 31 ticks and
// reads its strings within 5 s. A timed poll spends at least msPerPoll a tick.
std::uint64_t TickBound(RoadKind road, std::uint64_t msPerPoll) {
  const auto polls = [&](std::uint64_t ms) { return ms / msPerPoll + 2; };
  if (road == RoadKind::AppInfo) return 500 + 31 + polls(5000);
  const std::uint64_t info = 1 + 31 + 500 + 1 + 19 + polls(5000);
  if (road == RoadKind::Info) return info;
  return info + 1 + polls(30000) + 12 * (1 + polls(2000));
}

}  // namespace
}  // namespace zentrel

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zentrel;
  static ImageStore& image = *[] {
    auto* store = new ImageStore;
    testing::LoadRandomImage(*store, 4096 + 300);  // three pages, the last partly
    return store;
  }();
  FakeClock clock;
  AnsweringPlatform device(data, size, clock);
  const DeviceIds ids;
  std::uint64_t ticks = 0;
  bool stopped = false;
  RoadWatch watch;
  watch.Progress = [&](const ProgressSnapshot&) { ++ticks; };
  watch.StopRequested = [&] { return stopped = stopped || device.StopAsked; };
  const RoadOutcome outcome =
      RunRoad({device.Road, device, device.Filter, image, ids, clock, device.Pacing, {}}, watch)
          .Outcome;

  FUZZ_CHECK(ticks <= TickBound(device.Road, device.Pacing == Pace::Window ? 10 : 1));
  FUZZ_CHECK(outcome.Ended && outcome.Road == device.Road);
  FUZZ_CHECK(outcome.PagesWritten <= outcome.Pages);
  FUZZ_CHECK(device.OpenHandleCount() == 0);
  // Asked while the road runs, a stop ends it as stopped; nothing else does.
  FUZZ_CHECK((outcome.Failure == FailureKind::Stopped) == stopped);
  if (!outcome.Completed()) return 0;
  FUZZ_CHECK(outcome.Failure == FailureKind::None);
  FUZZ_CHECK(device.ValidStringsCame);
  if (device.Road != RoadKind::Download) return 0;
  // Completed: all three pages went out, in order, with the image's bytes,
  // after the device said the boot started and the erase ended, and it
  // acknowledged each packet.
  FUZZ_CHECK(outcome.Pages == 3 && outcome.PagesWritten == 3);
  FUZZ_CHECK(device.OksCame >= 2 && device.AcksCame >= 12);
  FUZZ_CHECK(device.Accepted.size() == 12 * 64);
  for (std::size_t i = 0; i < device.Accepted.size(); ++i) {
    // 64-byte reports: the report ID, 32 bytes of the image from 4096 on
    // (zeros past its end), zeros.
    const std::size_t byte = i % 64;
    const std::size_t at = 4096 + i / 64 * 32 + byte - 1;
    const bool sent = byte >= 1 && byte <= 32 && at < 4096 + 300;
    FUZZ_CHECK(device.Accepted[i] == (sent ? image.ImageBuffer[at] : 0));
  }
  return 0;
}
