// The application road (Application FW): no reset, one search attempt.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using emulated::FaultKind;
using testing::SequencerHarness;

TEST(ApplicationRoad, FillsTheApplicationFieldsOnly) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  h.view.SetFieldText(ValueField::PlatformField, "  kept");
  h.sequencer.RunMode = Download;
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
  EXPECT_EQ(h.sequencer.RunMode, Download);  // left as it was
  EXPECT_TRUE(h.view.Boxes().empty());
  EXPECT_FALSE(h.device.IsOpen());
  EXPECT_EQ(device.ResetCount(), 0);
  ASSERT_EQ(device.Commands().size(), 1u);
  EXPECT_EQ(device.Commands()[0][1], CMD_APP_ID);
}

TEST(ApplicationRoad, NoDeviceFailsOnTheFirstTick) {
  SequencerHarness h;
  h.sequencer.StartAppInfo();
  h.TickOnce();
  EXPECT_EQ(h.sequencer.SequencerState, Idle);
  EXPECT_TRUE(testing::IsRoadFailureBox(h.view.Boxes(), "Application ID request fail"));
}

struct AppFailureRow {
  const char* Name;
  FaultKind Fault;
  int N;
  const char* Box;
};

class ApplicationRoadFailure : public ::testing::TestWithParam<AppFailureRow> {};

TEST_P(ApplicationRoadFailure, EndsIdleWithTheDeviceClosedBeforeItsBox) {
  const AppFailureRow& row = GetParam();
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  device.InjectFault(row.Fault, row.N);
  h.sequencer.StartAppInfo();
  h.RunUntilIdle();
  EXPECT_FALSE(h.sequencer.RoadCompleted());
  EXPECT_TRUE(testing::IsRoadFailureBox(h.view.Boxes(), row.Box));
  EXPECT_EQ(h.bus.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ApplicationRoadFailure,
    ::testing::Values(
        AppFailureRow{"RequestNotSent", FaultKind::FailSetFeature, 1,
                      "Application ID request fail"},
        AppFailureRow{"CannotOpen", FaultKind::CannotOpen, 1, "Application ID request fail"},
        AppFailureRow{"LowerCaseProduct", FaultKind::LowerCaseProductString, 1,
                      "Application ID request fail"},
        AppFailureRow{"StringsReadFails", FaultKind::FailInput, 1,
                      "Application strings read error"},
        AppFailureRow{"StringsNeverValid", FaultKind::NoValidAppStrings, 1,
                      "Application strings read error"}),
    [](const ::testing::TestParamInfo<AppFailureRow>& info) { return info.param.Name; });

TEST(ApplicationRoad, BoundsAreAttemptsForTheProductAndTimeForTheStrings) {
  {
    SequencerHarness h;
    auto& device = h.bus.AddBootLoader({});
    device.InjectFault(FaultKind::LowerCaseProductString);
    h.sequencer.StartAppInfo();
    EXPECT_EQ(h.RunUntilIdle(), kAppRequestAttempts);
    EXPECT_EQ(device.OpenCount(), kAppRequestAttempts);
  }
  {
    SequencerHarness h;
    auto& device = h.bus.AddBootLoader({});
    device.InjectFault(FaultKind::NoValidAppStrings);
    h.sequencer.StartAppInfo();
    while (h.sequencer.SequencerState != ReadAppStrings) h.TickOnce();
    const std::uint64_t start = h.clock.NowUs();
    h.RunUntilIdle();
    EXPECT_GE(h.clock.NowUs() - start, kAppStringsTimeoutUs);
    EXPECT_LE(h.clock.NowUs() - start, kAppStringsTimeoutUs + 20'000);
  }
}

}  // namespace
}  // namespace zentrel
