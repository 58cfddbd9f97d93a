// A device that runs its application: identification and reset into the
// boot loader.
#include <string>

#include "emulated_test_support.h"

namespace zentrel::emulated::testing {
namespace {

int Listed(EmulatedBus& bus) {
  int n = 0;
  bus.Enumerate([&](const HidCollection&) { return ++n > 0; });
  return n;
}

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

struct WrongKeyCase {
  std::uint8_t Code;
  bool BootLoader;
};

class WrongKeyTest : public EmulatedBusTest,
                     public ::testing::WithParamInterface<WrongKeyCase> {};

TEST_P(WrongKeyTest, CommandIsAcceptedButIgnored) {
  BootLoaderConfig config;
  config.StartInBootLoader = GetParam().BootLoader;
  config.AppAnswerUs = 0;
  Add(config);
  OpenDevice();
  for (std::size_t byte = 5; byte < 9; ++byte) {
    CommandReport r = KeyedCommand(GetParam().Code);
    r[byte] ^= 0x01;
    EXPECT_TRUE(Send(r));
  }
  EXPECT_EQ(device_->Commands().size(), 4u);
  EXPECT_EQ(device_->ResetCount(), 0);
  EXPECT_TRUE(device_->Present());
  EXPECT_EQ(Status(), kStatusIdle);
  EXPECT_FALSE(Strings(10).has_value());
}

INSTANTIATE_TEST_SUITE_P(Codes, WrongKeyTest,
                         ::testing::Values(WrongKeyCase{kReset, false},
                                           WrongKeyCase{kReset, true},
                                           WrongKeyCase{kAppId, false},
                                           WrongKeyCase{kStartBoot, true}),
                         [](const auto& info) {
                           return "Code" + std::to_string(info.param.Code) +
                                  (info.param.BootLoader ? "InBootLoader" : "InApplication");
                         });

TEST_F(EmulatedBusTest, CommandsOfTheOtherModeAreIgnored) {
  BootLoaderConfig config;
  config.AppAnswerUs = 0;
  Add(config);
  OpenDevice();
  ASSERT_TRUE(Send(KeyedCommand(kStartBoot)));
  ASSERT_TRUE(Send(ImageKindCommand('h')));
  EXPECT_EQ(Status(), kStatusIdle);
  EXPECT_FALSE(Strings(10).has_value());
  EXPECT_EQ(device_->EraseCount(), 0);

  config.StartInBootLoader = true;
  Add(config);
  OpenDevice();
  ASSERT_TRUE(Send(KeyedCommand(kAppId)));
  EXPECT_FALSE(Strings(10).has_value());
}

TEST_F(EmulatedBusTest, ResetLeavesTheBusAtOnceAndComesBackAsBootLoader) {
  BootLoaderConfig config;
  config.ReenumerateUs = 700'000;
  Add(config);
  const HidHandle before = OpenDevice();
  ASSERT_TRUE(Send(KeyedCommand(kReset)));
  EXPECT_EQ(device_->ResetCount(), 1);

  EXPECT_FALSE(device_->Present());
  EXPECT_EQ(Listed(bus_), 0);
  EXPECT_EQ(OpenDevice(), kNoHidHandle);
  handle_ = before;
  EXPECT_FALSE(Status().has_value());
  EXPECT_FALSE(Send(KeyedCommand(kStartBoot)));

  clock_.AdvanceUs(699'999);
  EXPECT_EQ(Listed(bus_), 0);
  clock_.AdvanceUs(1);
  EXPECT_EQ(Listed(bus_), 1);
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
