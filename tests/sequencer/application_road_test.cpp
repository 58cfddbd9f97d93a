// The application road (Application FW): no reset, one search attempt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using testing::SequencerHarness;

TEST(ApplicationRoad, FillsTheApplicationFieldsOnly) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  testing::LoadRandomImage(*h.image, 4097);
  h.sequencer.StartDownload();
  h.sequencer.Stop();  // RunMode is Download now
  h.view.SetFieldText(ValueField::PlatformField, "  kept");
  h.sequencer.StartAppInfo();
  h.RunUntilIdle();

  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_EQ(h.view.Statuses(),
            (std::vector<std::string>{"HID device active", "Application ID request OK",
                                      "HID device after reset delay finished"}));
  EXPECT_EQ(h.view.Field(ValueField::AppInfoField), "  ZENTREL DEMO APP");
  EXPECT_EQ(h.view.Field(ValueField::FwVersionField), "  3.1.4");
  EXPECT_EQ(h.view.Field(ValueField::DeviceIdField), "ZENTREL BOOT");
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), "  kept");
  EXPECT_EQ(h.sequencer.RunMode(), RoadMode::Download);  // left as it was
  EXPECT_TRUE(h.view.Boxes().empty());
  EXPECT_FALSE(h.device.IsOpen());
  EXPECT_EQ(device.ResetCount(), 0);
  // CMD_APP_ID with the build's key, shared with the device.
  EXPECT_EQ(device.Commands(),
            (std::vector<CommandReport>{{0x00, 0xCC, 0, 0, 0, ZENTREL_COMMAND_KEY_0,
                                         ZENTREL_COMMAND_KEY_1, ZENTREL_COMMAND_KEY_2,
                                         ZENTREL_COMMAND_KEY_3}}));
}

TEST(ApplicationRoad, NoDeviceFailsOnTheFirstTick) {
  SequencerHarness h;
  h.sequencer.StartAppInfo();
  h.TickOnce();
  EXPECT_EQ(h.sequencer.SequencerState(), SequencerStage::Idle);
  EXPECT_EQ(h.view.Sequence(), std::vector<std::string>{
                                  "Idle box:Application ID request fail (BOOT info, error)"});
}

}  // namespace
}  // namespace zentrel
