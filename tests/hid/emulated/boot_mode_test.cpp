// A device in boot loader mode: start of the boot sequence, status,
// identification strings and the erase.
#include <algorithm>
#include <string>

#include "emulated_test_support.h"

namespace zentrel::emulated::testing {
namespace {

class FlashSizeTest : public EmulatedBusTest,
                      public ::testing::WithParamInterface<std::uint16_t> {};

TEST_P(FlashSizeTest, StartBootAnswersOkWithTheFlashSizeLittleEndian) {
  BootLoaderConfig config;
  config.FlashSizeKiB = GetParam();
  AddStarted(config);
  ASSERT_EQ(Status(), kStatusOk);
  EXPECT_EQ(lastStatus_[3], GetParam() & 0xFF);
  EXPECT_EQ(lastStatus_[4], GetParam() >> 8);
  EXPECT_EQ(device_->Flash().size(), std::size_t{GetParam()} * 1024u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FlashSizeTest,
                         ::testing::Values(std::uint16_t{256}, std::uint16_t{0x1234},
                                           std::uint16_t{4}, std::uint16_t{0}),
                         [](const auto& info) { return std::to_string(info.param) + "KiB"; });

TEST_F(EmulatedBusTest, BootStringsComeAfterSomeNotYetValidReports) {
  BootLoaderConfig config;
  config.InvalidStringsReads = 3;
  config.Platform = "ZX-CORE";
  config.HwVersion = "1.2";
  config.BootVersion = "BOOTLOADER 9";
  AddStarted(config);
  for (int i = 0; i < 3; ++i) {
    const auto r = Strings(0);
    ASSERT_TRUE(r.has_value());
    EXPECT_FALSE(IsUpperAsciiLetter((*r)[1])) << "read " << i;
  }
  const auto r = Strings(0);
  ASSERT_TRUE(r.has_value());
  EXPECT_EQ(Field(*r, kPlatformOffset, kPlatformLength), "ZX-CORE");
  EXPECT_EQ(Field(*r, kHwVersionOffset, kHwVersionLength), "1.2");
  EXPECT_EQ(Field(*r, kBootVersionOffset, kBootVersionLength), "BOOTLOAD");
  EXPECT_TRUE(std::all_of(r->begin() + 33, r->end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(clock_.NowUs(), 0u);  // nothing had to be waited for
}

TEST_F(EmulatedBusTest, ImageKindErasesAndIsBusyUntilTheEraseTimeHasPassed) {
  BootLoaderConfig config;
  config.Latency.EraseUs = 500'000;
  AddStarted(config);
  ASSERT_TRUE(Send(ImageKindCommand('m')));
  EXPECT_EQ(device_->ImageKind(), 'm');
  EXPECT_EQ(device_->EraseCount(), 1);
  const auto busy = Status();
  ASSERT_TRUE(busy.has_value());
  EXPECT_NE(*busy, kStatusOk);
  EXPECT_NE(*busy, kPacketAck);
  clock_.AdvanceUs(499'999);
  EXPECT_EQ(Status(), busy);
  clock_.AdvanceUs(1);
  EXPECT_EQ(Status(), kStatusOk);
  EXPECT_EQ(Status(), kStatusOk);
}

TEST_F(EmulatedBusTest, EraseClearsEverythingAboveTheBootArea) {
  AddStarted();
  Erase();
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(Write(Packet(0)));
  clock_.AdvanceUs(1'000'000);
  ASSERT_EQ(device_->Flash()[kFirstWriteAddress + 1], 1);
  Erase();
  EXPECT_TRUE(std::all_of(device_->Flash().begin(), device_->Flash().end(),
                          [](auto b) { return b == 0xFF; }));
}

TEST_F(EmulatedBusTest, ReportsOfTheWrongSizeOrIdAreRefused) {
  AddStarted();
  std::array<std::uint8_t, 65> buffer{};
  EXPECT_FALSE(bus_.SetFeature(handle_, buffer.data(), 8));
  EXPECT_FALSE(bus_.GetFeature(handle_, buffer.data(), 10));
  EXPECT_FALSE(bus_.WriteOutput(handle_, buffer.data(), 63));
  EXPECT_FALSE(bus_.ReadInput(handle_, buffer.data(), 32, 0));
  EXPECT_FALSE(bus_.SetFeature(handle_, nullptr, kCommandReportSize));
  buffer[0] = 1;  // no report with this ID
  EXPECT_FALSE(bus_.GetFeature(handle_, buffer.data(), kStatusReportSize));
  EXPECT_FALSE(bus_.WriteOutput(handle_, buffer.data(), kDataReportSize));
  EXPECT_EQ(device_->DataReportCount(), 0u);
  EXPECT_EQ(device_->Commands().size(), 1u);  // only the start
}

}  // namespace
}  // namespace zentrel::emulated::testing
