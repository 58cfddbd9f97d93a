// The tracing platform on the emulated bus: every call is passed on and
// recorded, and a call that fails says why in the platform's words.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "hid/emulated/emulated_bus.h"
#include "hid/trace/tracing_platform.h"
#include "tests/hid/trace/trace_test_support.h"

namespace zentrel::trace {
namespace {

using emulated::FaultKind;

constexpr std::array<std::uint8_t, 9> kStartBoot = {0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54};

TEST(TracingPlatform, AFailedCallEndsWithTheReasonThePlatformGives) {
  const std::string startBoot =
      "set feature  9 B  00 55 00 00 00 5A 45 4E 54  CMD_START_BOOT key ok";
  struct Row {
    FaultKind Fault;
    int N;
    TraceCall Call;
    std::string Line;  // of the call that the fault makes fail
  };
  const Row rows[] = {
      {FaultKind::FailSetFeature, 1, TraceCall::SetFeature,
       "T  " + startBoot + "  failed: fail-set-feature"},
      {FaultKind::FailGetFeature, 1, TraceCall::GetFeature,
       "T  get feature  9 B  failed: fail-get-feature"},
      {FaultKind::FailOutput, 1, TraceCall::WriteOutput,
       "T  write output  64 B  [64 zeros]  data, no CMD_IMAGE_KIND before it  failed: "
       "fail-output"},
      {FaultKind::StopAnswering, 1, TraceCall::ReadInput,
       "T  read input  64 B  limit 1000 ms  timed out: stop-answering"},
      {FaultKind::Vanish, 0, TraceCall::SetFeature,
       "T  " + startBoot + "  failed: the device left the bus (vanish)"},
      {FaultKind::CannotOpen, 1, TraceCall::Open, "T  open  emulated-hid-0  failed: cannot-open"},
  };
  for (const Row& row : rows) {
    FakeClock clock;
    auto bus = std::make_unique<emulated::EmulatedBus>(clock);
    emulated::EmulatedBootLoader& board = bus->AddBootLoader({});
    std::vector<std::string> lines;
    TracingPlatform tracer(std::move(bus), clock);
    tracer.AddSink(std::make_unique<testing::LineSink>(lines));
    const bool opening = row.Call == TraceCall::Open;
    HidHandle h = opening ? kNoHidHandle : tracer.Open("emulated-hid-0");
    board.InjectFault(row.Fault, row.N);
    if (opening) h = tracer.Open("emulated-hid-0");
    std::array<std::uint8_t, 64> buffer{};
    switch (row.Call) {
      case TraceCall::SetFeature: EXPECT_FALSE(tracer.SetFeature(h, kStartBoot.data(), 9)); break;
      case TraceCall::GetFeature: EXPECT_FALSE(tracer.GetFeature(h, buffer.data(), 9)); break;
      case TraceCall::WriteOutput: EXPECT_FALSE(tracer.WriteOutput(h, buffer.data(), 64)); break;
      case TraceCall::ReadInput: EXPECT_FALSE(tracer.ReadInput(h, buffer.data(), 64, 1000)); break;
      default: EXPECT_EQ(h, kNoHidHandle); break;
    }
    EXPECT_EQ(lines.back(), row.Line);
  }
}

TEST(FormatTraceLine, TimesBoardShortReadsAndZeroRuns) {
  std::array<std::uint8_t, 64> data{};
  data[2] = 0xAA;
  data[4] = 0x01;
  TraceRecord record;
  record.Call = TraceCall::GetFeature;
  record.AtUs = 412'031;
  record.DurationUs = 840;
  record.Board = "1-1.4";
  record.Data = data.data();
  record.Length = 9;
  record.Moved = 5;
  record.Ok = false;
  record.Error = {HidError::Kind::Short, 5, ""};
  EXPECT_EQ(FormatTraceLine(record, true),
            "   412.031 ms  +0.84  1-1.4  get feature  9 B  00 00 AA 00 01  short by 4 B");
  record.Call = TraceCall::ReadInput;
  record.Length = record.Moved = 64;
  record.TimeoutMs = 1000;
  record.Ok = true;
  record.AtUs = 12'345'678'901;
  EXPECT_EQ(FormatTraceLine(record, false),
            "12345678.901 ms  +0.84  read input  64 B  limit 1000 ms  00 00 AA 00 01 [59 zeros]");
  EXPECT_EQ(HexBytes(data.data(), 12), "00 00 AA 00 01 00 00 00 00 00 00 00");
  EXPECT_EQ(HexBytes(data.data() + 8, 8), "[8 zeros]");
}

}  // namespace
}  // namespace zentrel::trace
