// The information road (HW info) tick by tick against the emulated boot loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using emulated::FaultKind;
using testing::SequencerHarness;
using testing::ViewEvent;

const std::string kBlank30(30, ' ');

TEST(InformationRoad, ShowsStatusesFieldsAndButtonsInOrder) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.FlashSizeKiB = 0x1234;
  auto& device = h.bus.AddBootLoader(config);

  h.sequencer.StartInfo();
  EXPECT_EQ(h.sequencer.SequencerState, ResetDevice);
  EXPECT_FALSE(h.view.ButtonsEnabled);
  h.RunUntilIdle();

  EXPECT_EQ(h.view.Statuses(),
            (std::vector<std::string>{"HID device reset finished",
                                      "HID device after reset delay finished",
                                      "HID device active",
                                      "HID device start boot sequence finished",
                                      "Device CRC OK"}));
  EXPECT_TRUE(h.view.Boxes().empty());
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), "  ZX-CORE");
  EXPECT_EQ(h.view.Field(ValueField::HwVersionField), "  1.2");
  EXPECT_EQ(h.view.Field(ValueField::BootVersionField), "  BL 2.05");
  EXPECT_EQ(h.view.Field(ValueField::DeviceIdField), "ZENTREL BOOT");
  EXPECT_EQ(h.sequencer.FlashSizeKiB, 0x1234);
  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_FALSE(h.device.IsOpen());
  EXPECT_EQ(h.bus.OpenHandleCount(), 0u);

  // The four fields were cleared to 30 blanks before anything else.
  ASSERT_GE(h.view.Events.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(h.view.Events[static_cast<std::size_t>(i)].What, ViewEvent::Field);
    EXPECT_EQ(h.view.Events[static_cast<std::size_t>(i)].Text, kBlank30);
  }
  // Buttons stay disabled until the tick after the road ended.
  EXPECT_FALSE(h.view.ButtonsEnabled);
  h.TickOnce();
  EXPECT_TRUE(h.view.ButtonsEnabled);

  // The device saw reset and start boot, each with the key in bytes 5..8.
  ASSERT_EQ(device.Commands().size(), 2u);
  const CommandReport reset{0, CMD_RESET, 0, 0, 0, CommandKey[0], CommandKey[1],
                            CommandKey[2], CommandKey[3]};
  const CommandReport start{0, CMD_START_BOOT, 0, 0, 0, CommandKey[0], CommandKey[1],
                            CommandKey[2], CommandKey[3]};
  EXPECT_EQ(device.Commands()[0], reset);
  EXPECT_EQ(device.Commands()[1], start);
}

TEST(InformationRoad, DelaysCountTicks) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.StartInBootLoader = true;
  config.ReenumerateUs = 0;  // back at once: the search takes its first attempt
  config.InvalidStringsReads = 0;
  h.bus.AddBootLoader(config);

  h.sequencer.StartInfo();
  int tick = 0;
  int delayDone = 0;
  int bootStatus = 0;
  int strings = 0;
  while (h.sequencer.SequencerState != Idle) {
    ++tick;
    h.TickOnce();
    if (!delayDone && h.view.StatusText == "HID device after reset delay finished") delayDone = tick;
    if (!bootStatus && h.sequencer.SequencerState == StatusDelay) bootStatus = tick;
    if (!strings && h.sequencer.SequencerState == ReadBootStrings) strings = tick;
  }
  // The first tick sends the reset and takes the first of 31 delay steps.
  EXPECT_EQ(delayDone, 31);
  // Connect on tick 32, boot status on 33, then 19 delay steps.
  EXPECT_EQ(bootStatus, 33);
  EXPECT_EQ(strings, 33 + 19);
  EXPECT_EQ(tick, strings + 1);
}

TEST(InformationRoad, NoCandidateSetsNoResetTextAndSearchGivesUpAfter500Attempts) {
  SequencerHarness h;  // empty bus
  h.sequencer.StartInfo();
  EXPECT_EQ(h.RunUntilIdleCounting(Connect), kConnectAttempts);
  EXPECT_EQ(h.view.Statuses(),
            std::vector<std::string>{"HID device after reset delay finished"});
  EXPECT_TRUE(testing::IsRoadFailureBox(h.view.Boxes(), "No HID device detect"));
}

TEST(InformationRoad, DeviceIsTakenOnTheFirstAttemptThatSeesIt) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.ReenumerateUs = 1'234'567;
  auto& device = h.bus.AddBootLoader(config);
  h.sequencer.StartInfo();
  while (h.sequencer.SequencerState != Connect) h.TickOnce();
  int attempts = 0;
  while (h.sequencer.SequencerState == Connect) {
    const bool present = device.Present();
    h.TickOnce();
    ++attempts;
    // While it is away the search goes on; the first attempt that sees it takes it.
    EXPECT_EQ(h.sequencer.SequencerState == Connect, !present) << "attempt " << attempts;
  }
  EXPECT_GT(attempts, 1);
  EXPECT_LT(attempts, kConnectAttempts);
}

TEST(InformationRoad, LowerCaseProductStringIsNeverTakenAndTheSearchStillEnds) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  device.InjectFault(FaultKind::LowerCaseProductString);
  h.sequencer.StartInfo();
  EXPECT_EQ(h.RunUntilIdleCounting(Connect), kConnectAttempts);
  EXPECT_TRUE(testing::IsRoadFailureBox(h.view.Boxes(), "No HID device detect"));
  EXPECT_EQ(h.view.Field(ValueField::DeviceIdField), kBlank30);
  EXPECT_EQ(h.bus.OpenHandleCount(), 0u);
}

struct FailureRow {
  const char* Name;
  FaultKind Fault;
  int N;
  const char* Status;  // nullptr: the road sets none at its end
  const char* Box;     // nullptr: no box
};

class InformationRoadFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(InformationRoadFailure, ReturnsToIdleWithTheDeviceClosedBeforeItsBox) {
  const FailureRow& row = GetParam();
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  device.InjectFault(row.Fault, row.N);
  h.sequencer.StartInfo();
  h.RunUntilIdle();

  EXPECT_FALSE(h.sequencer.RoadCompleted());
  EXPECT_FALSE(h.device.IsOpen());
  EXPECT_EQ(h.bus.OpenHandleCount(), 0u);
  if (row.Status != nullptr) {
    EXPECT_EQ(h.view.StatusText, row.Status);
  }
  auto boxes = h.view.Boxes();
  if (row.Box == nullptr) {
    EXPECT_TRUE(boxes.empty());
    return;
  }
  EXPECT_TRUE(testing::IsRoadFailureBox(boxes, row.Box));
  // The status text of the failure comes before the box.
  if (row.Status != nullptr) {
    EXPECT_EQ(h.view.Events.back().What, ViewEvent::Box);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, InformationRoadFailure,
    ::testing::Values(
        FailureRow{"NeverReturns", FaultKind::NeverReturnsAfterReset, 1, nullptr,
                   "No HID device detect"},
        FailureRow{"CannotOpen", FaultKind::CannotOpen, 1, nullptr, "No HID device detect"},
        // The first set feature is the reset, the second the start of the boot.
        FailureRow{"StartBootNotSent", FaultKind::FailSetFeature, 2,
                   "HID device start boot sequence fail", nullptr},
        FailureRow{"StatusNotFetched", FaultKind::FailGetFeature, 1,
                   "Device CRC comunication fail", "Boot CRC error"},
        FailureRow{"StatusNotOk", FaultKind::WrongBootStatus, 1, "Device CRC Error",
                   "Boot CRC error"},
        FailureRow{"StringsReadFails", FaultKind::FailInput, 1,
                   "Device Strins comunication fail", "Boot strings read error"},
        FailureRow{"StringsNeverValid", FaultKind::NoValidBootStrings, 1,
                   "Device Strins comunication fail", "Boot strings read error"},
        FailureRow{"DeviceHangs", FaultKind::StopAnswering, 1,
                   "Device CRC comunication fail", "Boot CRC error"}),
    [](const ::testing::TestParamInfo<FailureRow>& info) { return info.param.Name; });

TEST(InformationRoad, NotYetValidStringsAreReadAgainForFiveSeconds) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  device.InjectFault(FaultKind::NoValidBootStrings);
  h.sequencer.StartInfo();
  while (h.sequencer.SequencerState != ReadBootStrings) h.TickOnce();
  const std::uint64_t start = h.clock.NowUs();
  int reads = 0;
  while (h.sequencer.SequencerState == ReadBootStrings) {
    h.TickOnce();
    ++reads;
  }
  const std::uint64_t elapsed = h.clock.NowUs() - start;
  EXPECT_GE(elapsed, kBootStringsTimeoutUs);
  EXPECT_LT(elapsed, kBootStringsTimeoutUs + 20'000);
  EXPECT_GT(reads, 100);
}

TEST(InformationRoad, SilentDeviceEndsTheStringsReadAfterOneSecond) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  h.sequencer.StartInfo();
  while (h.sequencer.SequencerState != ReadBootStrings) h.TickOnce();
  device.InjectFault(FaultKind::StopAnswering);
  const std::uint64_t start = h.clock.NowUs();
  h.sequencer.Tick();
  EXPECT_EQ(h.clock.NowUs() - start, 1'000'000u);
  EXPECT_EQ(h.view.StatusText, "Device Strins comunication fail");
  EXPECT_EQ(h.sequencer.SequencerState, Idle);
}

TEST(InformationRoad, StartInfoDuringARoadOnlyClearsTheFields) {
  SequencerHarness h;
  h.bus.AddBootLoader({});
  h.sequencer.StartInfo();
  while (h.sequencer.SequencerState != ReadBootStrings) h.TickOnce();
  const auto counter = h.sequencer.TickCounter;
  const std::size_t before = h.view.Events.size();
  h.sequencer.StartInfo();
  EXPECT_EQ(h.sequencer.SequencerState, ReadBootStrings);
  EXPECT_EQ(h.sequencer.TickCounter, counter);
  ASSERT_EQ(h.view.Events.size(), before + 4);
  EXPECT_EQ(h.view.Field(ValueField::DeviceIdField), kBlank30);
}

TEST(InformationRoad, ShorterStringsEndAtTheirZeroAndIdsAreReadAtEverySearch) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.Platform = "AB";
  config.HwVersion = "";
  config.StartInBootLoader = true;  // the reset below reaches no device
  h.bus.AddBootLoader(config);
  h.ids.VendorId = 0x1234;  // nothing matches: the search fails
  h.sequencer.StartInfo();
  while (h.sequencer.SequencerState != Connect) h.TickOnce();
  h.ids.VendorId = ZENTREL_VENDOR_ID;  // changed mid-road: the next attempt uses it
  h.RunUntilIdle();
  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), "  AB");
  EXPECT_EQ(h.view.Field(ValueField::HwVersionField), "  ");
}

}  // namespace
}  // namespace zentrel
