// A device that runs its application: identification and reset into the
// boot loader.
#include <string>
#include <vector>

#include "emulated_test_support.h"

namespace zentrel::emulated::testing {
namespace {

TEST_F(EmulatedBusTest, AppIdAnswersWithApplicationStringsAfterItsDelay) {
  BootLoaderConfig config;
  config.AppAnswerUs = 80'000;
  config.AppInfo = "A MUCH TOO LONG APPLICATION NAME";
  config.FwVersion = "7.0";
  Add(config);
  OpenDevice();
  ASSERT_TRUE(Send(KeyedCommand(kAppId)));

  EXPECT_FALSE(Strings(50).has_value());  // not yet: the wait runs out
  EXPECT_EQ(clock_.NowUs(), 50'000u);
  const auto report = Strings(1000);  // waits the remaining 30 ms only
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(clock_.NowUs(), 80'000u);
  EXPECT_EQ(Field(*report, 1, 16), "A MUCH TOO LONG ");
  EXPECT_EQ(Field(*report, 17, 8), "7.0");
  EXPECT_EQ((*report)[20], 0);  // padded with zeros
  EXPECT_EQ((*report)[25], 0);  // no boot loader version in this mode
  EXPECT_TRUE(Strings(0).has_value());  // the device goes on answering
}

TEST_F(EmulatedBusTest, NoInputComesBeforeAppId) {
  Add();
  OpenDevice();
  EXPECT_FALSE(Strings(1000).has_value());
  EXPECT_EQ(clock_.NowUs(), 1'000'000u);
  EXPECT_FALSE(Strings(-1).has_value());  // an endless wait on nothing fails
}

// The four copies of a keyed command that each have one key byte wrong.
std::vector<CommandReport> WrongKeys(std::uint8_t code) {
  std::vector<CommandReport> reports(4, KeyedCommand(code));
  for (std::size_t i = 0; i < 4; ++i) reports[i][5 + i] ^= 0x01;
  return reports;
}

struct IgnoredCase {
  const char* Name;
  bool BootLoader;
  std::vector<CommandReport> Commands;
  int ProtocolErrors;
};

void PrintTo(const IgnoredCase& c, std::ostream* os) { *os << c.Name; }

class IgnoredCommandTest : public EmulatedBusTest,
                           public ::testing::WithParamInterface<IgnoredCase> {};

TEST_P(IgnoredCommandTest, IsAcceptedButChangesNothing) {
  BootLoaderConfig config;
  config.StartInBootLoader = GetParam().BootLoader;
  config.AppAnswerUs = 0;
  Add(config);
  OpenDevice();
  for (const CommandReport& r : GetParam().Commands) EXPECT_TRUE(Send(r));
  EXPECT_EQ(device_->Commands().size(), GetParam().Commands.size());
  EXPECT_EQ(device_->ProtocolErrors(), GetParam().ProtocolErrors);
  EXPECT_EQ(device_->ResetCount(), 0);
  EXPECT_EQ(device_->EraseCount(), 0);
  EXPECT_TRUE(device_->Present());
  EXPECT_EQ(Status(), kStatusIdle);
  EXPECT_FALSE(Strings(10).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IgnoredCommandTest,
    ::testing::Values(
        IgnoredCase{"WrongKeyResetInApplication", false, WrongKeys(kReset), 0},
        IgnoredCase{"WrongKeyResetInBootLoader", true, WrongKeys(kReset), 0},
        IgnoredCase{"WrongKeyAppIdInApplication", false, WrongKeys(kAppId), 0},
        IgnoredCase{"WrongKeyStartBootInBootLoader", true, WrongKeys(kStartBoot), 0},
        // Commands of the other mode.
        IgnoredCase{"BootCommandsInApplication", false,
                    {KeyedCommand(kStartBoot), ImageKindCommand('h')}, 0},
        IgnoredCase{"AppIdInBootLoader", true, {KeyedCommand(kAppId)}, 0},
        // An erase needs a started boot sequence.
        IgnoredCase{"ImageKindBeforeStartBoot", true, {ImageKindCommand('h')}, 1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EmulatedBusTest, ResetLeavesTheBusAtOnceAndComesBackAsBootLoader) {
  BootLoaderConfig config;
  config.ReenumerateUs = 700'000;
  Add(config);
  const HidHandle before = OpenDevice();
  ASSERT_TRUE(Send(KeyedCommand(kReset)));
  EXPECT_EQ(device_->ResetCount(), 1);

  EXPECT_FALSE(device_->Present());
  EXPECT_EQ(ListAll(bus_).size(), 0u);
  EXPECT_EQ(OpenDevice(), kNoHidHandle);
  handle_ = before;
  EXPECT_FALSE(Status().has_value());
  EXPECT_FALSE(Send(KeyedCommand(kStartBoot)));

  clock_.AdvanceUs(699'999);
  EXPECT_EQ(ListAll(bus_).size(), 0u);
  clock_.AdvanceUs(1);
  EXPECT_EQ(ListAll(bus_).size(), 1u);
  EXPECT_EQ(device_->Mode(), DeviceMode::BootLoader);
  EXPECT_FALSE(Status().has_value());  // the old handle stays dead
  ASSERT_NE(OpenDevice(), kNoHidHandle);
  ASSERT_TRUE(Send(KeyedCommand(kStartBoot)));
  EXPECT_EQ(Status(), kStatusOk);
}

TEST_F(EmulatedBusTest, ResetInBootLoaderModeRestartsTheBootLoader) {
  AddStarted();
  ASSERT_TRUE(Send(KeyedCommand(kReset)));
  clock_.AdvanceUs(device_->Config().ReenumerateUs);
  EXPECT_EQ(device_->Mode(), DeviceMode::BootLoader);
  OpenDevice();
  // A new session: no status and no strings until the next start.
  EXPECT_EQ(Status(), kStatusIdle);
  EXPECT_FALSE(Strings(10).has_value());
}

}  // namespace
}  // namespace zentrel::emulated::testing
