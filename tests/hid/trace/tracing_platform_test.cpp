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
using testing::MaskTimes;

constexpr std::array<std::uint8_t, 9> kStartBoot = {0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54};

class TracingPlatformTest : public ::testing::Test {
 protected:
  TracingPlatformTest() {
    auto bus = std::make_unique<emulated::EmulatedBus>(clock_);
    emulated::BootLoaderConfig config;
    config.StartInBootLoader = true;
    board_ = &bus->AddBootLoader(config);
    tracer_ = std::make_unique<TracingPlatform>(std::move(bus), clock_);
    tracer_->AddSink(std::make_unique<testing::LineSink>(lines_));
  }

  FakeClock clock_;
  emulated::EmulatedBootLoader* board_ = nullptr;
  std::unique_ptr<TracingPlatform> tracer_;
  std::vector<std::string> lines_;
};

TEST_F(TracingPlatformTest, RecordsEachCallWithWhatItMovedAndPassesItsResultOn) {
  std::size_t collections = 0;
  tracer_->Enumerate([&](const HidCollection&) { return ++collections < 5; });
  const HidHandle h = tracer_->Open("emulated-hid-0");
  ASSERT_NE(h, kNoHidHandle);
  std::uint16_t vid = 0, pid = 0;
  EXPECT_TRUE(tracer_->GetAttributes(h, vid, pid));
  EXPECT_EQ(vid, 0x1D50);
  char16_t units[129] = {};
  EXPECT_TRUE(tracer_->GetProductString(h, units, 128));
  EXPECT_TRUE(tracer_->GetSerialNumber(h, units, 128));
  EXPECT_TRUE(tracer_->SetFeature(h, kStartBoot.data(), 9));
  std::array<std::uint8_t, 9> status{};
  EXPECT_TRUE(tracer_->GetFeature(h, status.data(), 9));
  EXPECT_EQ(status[2], 0xAA);
  tracer_->Close(h);
  EXPECT_EQ(collections, 1u);
  const std::vector<std::string> expected = {
      "T  enumerate  1 collection, 1 qualified",
      "T  open  emulated-hid-0",
      "T  attributes  1D50:61A7",
      "T  product string  \"ZENTREL BOOT\"",
      "T  serial number  \"ZB-000001\"",
      "T  set feature  9 B  00 55 00 00 00 5A 45 4E 54  CMD_START_BOOT key ok",
      "T  get feature  9 B  00 00 AA 00 01 00 00 00 00  STATUS_OK flash 256 KiB",
      "T  close",
  };
  EXPECT_EQ(lines_, expected);
}

TEST_F(TracingPlatformTest, AFailedCallEndsWithTheReasonThePlatformGives) {
  struct Row {
    FaultKind Fault;
    const char* Line;  // of the call that the fault makes fail
  };
  const Row rows[] = {
      {FaultKind::FailSetFeature,
       "T  set feature  9 B  00 55 00 00 00 5A 45 4E 54  CMD_START_BOOT key ok  failed: "
       "fail-set-feature"},
      {FaultKind::FailGetFeature, "T  get feature  9 B  failed: fail-get-feature"},
      {FaultKind::FailOutput,
       "T  write output  64 B  [64 zeros]  data, no CMD_IMAGE_KIND before it  failed: "
       "fail-output"},
      {FaultKind::StopAnswering, "T  read input  64 B  limit 1000 ms  timed out: stop-answering"},
      {FaultKind::CannotOpen, "T  open  emulated-hid-0  failed: cannot-open"},
  };
  for (const Row& row : rows) {
    lines_.clear();
    board_->ClearFaults();
    HidHandle h = tracer_->Open("emulated-hid-0");
    board_->InjectFault(row.Fault);
    std::array<std::uint8_t, 64> buffer{};
    switch (row.Fault) {
      case FaultKind::FailSetFeature: tracer_->SetFeature(h, kStartBoot.data(), 9); break;
      case FaultKind::FailGetFeature: tracer_->GetFeature(h, buffer.data(), 9); break;
      case FaultKind::FailOutput: tracer_->WriteOutput(h, buffer.data(), 64); break;
      case FaultKind::StopAnswering: tracer_->ReadInput(h, buffer.data(), 64, 1000); break;
      default:
        tracer_->Close(h);
        h = tracer_->Open("emulated-hid-0");
        break;
    }
    tracer_->Close(h);
    ASSERT_GE(lines_.size(), 3u);
    EXPECT_EQ(lines_[lines_.size() - 2], row.Line);
  }
}

TEST_F(TracingPlatformTest, AHandleWhoseDeviceLeftSaysWhyItLeft) {
  const HidHandle h = tracer_->Open("emulated-hid-0");
  board_->InjectFault(FaultKind::Vanish, 0);
  EXPECT_FALSE(tracer_->SetFeature(h, kStartBoot.data(), 9));
  EXPECT_EQ(lines_.back(),
            "T  set feature  9 B  00 55 00 00 00 5A 45 4E 54  CMD_START_BOOT key ok  failed: the "
            "device left the bus (vanish)");
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
