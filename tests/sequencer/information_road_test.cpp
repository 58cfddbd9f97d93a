// The information road (HW info) tick by tick against the emulated boot loader.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using enum SequencerStage;

using emulated::FaultKind;
using testing::LoadRandomImage;
using testing::SequencerHarness;
using testing::ViewEvent;

const std::string kBlank30(30, ' ');
// The key shared with the boot loader at build time.
constexpr std::uint8_t kKey0 = ZENTREL_COMMAND_KEY_0, kKey1 = ZENTREL_COMMAND_KEY_1,
                       kKey2 = ZENTREL_COMMAND_KEY_2, kKey3 = ZENTREL_COMMAND_KEY_3;

TEST(InformationRoad, ShowsStatusesFieldsAndButtonsInOrder) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.FlashSizeKiB = 0x1234;
  auto& device = h.bus.AddBootLoader(config);

  h.sequencer.StartInfo();
  EXPECT_EQ(h.sequencer.SequencerState(), ResetDevice);
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
  EXPECT_EQ(h.sequencer.FlashSizeKiB(), 0x1234);
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

  // The device saw reset and start boot, each with the build's key in bytes 5..8.
  EXPECT_EQ(device.Commands(),
            (std::vector<CommandReport>{{0x00, 0xCA, 0, 0, 0, kKey0, kKey1, kKey2, kKey3},
                                        {0x00, 0x55, 0, 0, 0, kKey0, kKey1, kKey2, kKey3}}));
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
  while (h.sequencer.SequencerState() != Idle) {
    ++tick;
    h.TickOnce();
    if (!delayDone && h.view.StatusText == "HID device after reset delay finished") delayDone = tick;
    if (!bootStatus && h.sequencer.SequencerState() == StatusDelay) bootStatus = tick;
    if (!strings && h.sequencer.SequencerState() == ReadBootStrings) strings = tick;
  }
  // The first tick sends the reset and takes the first of 31 delay steps.
  EXPECT_EQ(delayDone, 31);
  // Connect on tick 32, boot status on 33, then 19 delay steps.
  EXPECT_EQ(bootStatus, 33);
  EXPECT_EQ(strings, 33 + 19);
  EXPECT_EQ(tick, strings + 1);
}

TEST(InformationRoad, SilentDeviceEndsTheStringsReadAfterOneSecond) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  h.sequencer.StartInfo();
  while (h.sequencer.SequencerState() != ReadBootStrings) h.TickOnce();
  device.InjectFault(FaultKind::StopAnswering);
  const std::uint64_t start = h.clock.NowUs();
  h.sequencer.Tick();
  EXPECT_EQ(h.clock.NowUs() - start, 1'000'000u);
  EXPECT_EQ(h.view.StatusText, "Device Strins comunication fail");
  EXPECT_EQ(h.sequencer.SequencerState(), Idle);
}

// A start while a road runs clears its fields and changes nothing else; the
// road goes on to its end.
TEST(Starts, DuringAnyRoadOnlyClearTheirFields) {
  using Start = void (BootSequencer::*)();
  struct Road {
    Start Begin;
    SequencerStage Midway;  // a delay stage, whose counter a start could spoil
  };
  const Road roads[] = {{&BootSequencer::StartInfo, ResetDelay},
                        {&BootSequencer::StartDownload, StatusDelay},
                        {&BootSequencer::StartAppInfo, AppDelay}};
  const std::pair<Start, std::size_t> starts[] = {{&BootSequencer::StartInfo, 4},
                                                  {&BootSequencer::StartDownload, 4},
                                                  {&BootSequencer::StartAppInfo, 2}};
  for (const Road& road : roads) {
    for (const auto& [start, clearedFields] : starts) {
      SequencerHarness h;
      h.bus.AddBootLoader({});
      LoadRandomImage(*h.image, 4097);
      (h.sequencer.*road.Begin)();
      while (h.sequencer.SequencerState() != road.Midway) h.TickOnce();
      h.TickOnce();
      const auto state = h.sequencer.SequencerState();
      const auto mode = h.sequencer.RunMode();
      const auto counter = h.sequencer.TickCounter();
      const std::size_t before = h.view.Events.size();
      (h.sequencer.*start)();
      EXPECT_EQ(h.sequencer.SequencerState(), state);
      EXPECT_EQ(h.sequencer.RunMode(), mode);
      EXPECT_EQ(h.sequencer.TickCounter(), counter);
      ASSERT_EQ(h.view.Events.size(), before + clearedFields);
      for (std::size_t i = before; i < h.view.Events.size(); ++i) {
        EXPECT_EQ(h.view.Events[i].What, ViewEvent::Field);
        EXPECT_EQ(h.view.Events[i].Text, kBlank30);
      }
      h.RunUntilIdle();
      EXPECT_TRUE(h.sequencer.RoadCompleted());
    }
  }
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
  while (h.sequencer.SequencerState() != Connect) h.TickOnce();
  h.ids.VendorId = ZENTREL_VENDOR_ID;  // changed mid-road: the next attempt uses it
  h.RunUntilIdle();
  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), "  AB");
  EXPECT_EQ(h.view.Field(ValueField::HwVersionField), "  ");
}

TEST(InformationRoad, FullWidthStringsFillTheirFieldsAndNoMore) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.Platform = "PLATFORM16CHARSX";
  config.HwVersion = "HW8CHARS";
  config.BootVersion = "BOOT8CHR";
  h.bus.AddBootLoader(config);
  h.sequencer.StartInfo();
  h.RunUntilIdle();
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), "  PLATFORM16CHARSX");
  EXPECT_EQ(h.view.Field(ValueField::HwVersionField), "  HW8CHARS");
  EXPECT_EQ(h.view.Field(ValueField::BootVersionField), "  BOOT8CHR");
}

}  // namespace
}  // namespace zentrel
