// Data reports into the flash, their acknowledgements, and what transfers
// cost on the clock.
#include <algorithm>
#include <string>
#include <vector>

#include "emulated_test_support.h"

namespace zentrel::emulated::testing {
namespace {

BootLoaderConfig SlowWrites() {
  BootLoaderConfig config;
  config.Latency.PacketWriteUs = 300;
  config.Latency.PageWriteUs = 5'000;
  return config;
}

TEST_F(EmulatedBusTest, PacketsAreWrittenAtConsecutiveAddressesFromTheBootAreaEnd) {
  AddStarted();
  Erase();
  std::vector<std::uint8_t> sent;
  for (int i = 0; i < 12; ++i) {  // three pages
    DataReport r = Packet(static_cast<std::uint8_t>(i * 32));
    std::fill(r.begin() + 33, r.end(), std::uint8_t{0xEE});  // not payload
    ASSERT_TRUE(Write(r));
    sent.insert(sent.end(), r.begin() + 1, r.begin() + 33);
    clock_.AdvanceUs(device_->Config().Latency.PageWriteUs);
    ASSERT_EQ(Status(), kPacketAck) << "packet " << i;
  }
  const auto& flash = device_->Flash();
  EXPECT_TRUE(std::equal(sent.begin(), sent.end(), flash.begin() + kFirstWriteAddress));
  EXPECT_TRUE(std::all_of(flash.begin(), flash.begin() + kFirstWriteAddress,
                          [](auto b) { return b == 0xFF; }));
  EXPECT_TRUE(std::all_of(flash.begin() + kFirstWriteAddress + 384, flash.end(),
                          [](auto b) { return b == 0xFF; }));
  EXPECT_EQ(device_->DataReportCount(), 12u);
  EXPECT_EQ(device_->ProtocolErrors(), 0);
}

struct AckTimeCase {
  int PacketIndex;     // 0-based since the erase
  std::uint64_t Us;    // write time of that packet
};

class AckTimeTest : public EmulatedBusTest,
                    public ::testing::WithParamInterface<AckTimeCase> {};

TEST_P(AckTimeTest, AckComesWhenThePacketOrPageIsWritten) {
  AddStarted(SlowWrites());
  Erase();
  for (int i = 0; i < GetParam().PacketIndex; ++i) {
    ASSERT_TRUE(Write(Packet(0)));
    clock_.AdvanceUs(5'000);
  }
  ASSERT_TRUE(Write(Packet(0)));
  clock_.AdvanceUs(GetParam().Us - 1);
  const auto busy = Status();
  ASSERT_TRUE(busy.has_value());
  EXPECT_NE(*busy, kPacketAck);
  EXPECT_NE(*busy, kStatusOk);
  clock_.AdvanceUs(1);
  EXPECT_EQ(Status(), kPacketAck);
}

INSTANTIATE_TEST_SUITE_P(Packets, AckTimeTest,
                         ::testing::Values(AckTimeCase{0, 300}, AckTimeCase{2, 300},
                                           AckTimeCase{3, 5'000}, AckTimeCase{4, 300},
                                           AckTimeCase{7, 5'000}),
                         [](const auto& info) {
                           return "Packet" + std::to_string(info.param.PacketIndex);
                         });

TEST_F(EmulatedBusTest, WritesPastTheFlashEndAreDropped) {
  BootLoaderConfig config;
  config.FlashSizeKiB = 5;  // 1024 bytes above the boot area: 32 packets
  AddStarted(config);
  Erase();
  for (int i = 0; i < 40; ++i) {
    ASSERT_TRUE(Write(Packet(static_cast<std::uint8_t>(i))));
    clock_.AdvanceUs(1'000);
    ASSERT_EQ(Status(), kPacketAck);
  }
  const auto& flash = device_->Flash();
  ASSERT_EQ(flash.size(), 5u * 1024u);
  EXPECT_EQ(flash[5 * 1024 - 32], 31);  // the last packet that fits
  EXPECT_EQ(flash.back(), 31 + 31);
}

TEST_F(EmulatedBusTest, PacketsOutOfTurnAreNoted) {
  AddStarted(SlowWrites());
  ASSERT_TRUE(Write(Packet(1)));  // no erase yet
  ASSERT_TRUE(Send(ImageKindCommand('h')));
  ASSERT_TRUE(Write(Packet(2)));  // erase still running
  EXPECT_EQ(device_->ProtocolErrors(), 2);
  clock_.AdvanceUs(device_->Config().Latency.EraseUs);
  ASSERT_EQ(Status(), kStatusOk);
  ASSERT_TRUE(Write(Packet(3)));
  EXPECT_EQ(device_->Flash()[kFirstWriteAddress], 3);
  // One before the last was acknowledged is still taken, but noted.
  ASSERT_TRUE(Write(Packet(4)));
  EXPECT_EQ(device_->Flash()[kFirstWriteAddress + 32], 4);
  EXPECT_EQ(device_->ProtocolErrors(), 3);
  EXPECT_EQ(device_->DataReportCount(), 4u);
}

struct LatencyCase {
  const char* Name;
  std::uint64_t LatencyProfile::*Field;
  int Transfer;  // 0 set feature, 1 get feature, 2 output, 3 input
};

class TransferLatencyTest : public EmulatedBusTest,
                            public ::testing::WithParamInterface<LatencyCase> {};

TEST_P(TransferLatencyTest, EachTransferCostsItsTimeOnTheClock) {
  BootLoaderConfig config;
  config.Latency = LatencyProfile::FullSpeed();
  config.Latency.*(GetParam().Field) = 1'234;
  AddStarted(config);
  Erase();
  const std::uint64_t before = clock_.NowUs();
  switch (GetParam().Transfer) {
    case 0: ASSERT_TRUE(Send(KeyedCommand(kStartBoot))); break;
    case 1: ASSERT_TRUE(Status().has_value()); break;
    case 2: ASSERT_TRUE(Write(Packet(0))); break;
    default: ASSERT_TRUE(Strings(0).has_value()); break;
  }
  EXPECT_EQ(clock_.NowUs() - before, 1'234u);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TransferLatencyTest,
    ::testing::Values(LatencyCase{"SetFeature", &LatencyProfile::FeatureUs, 0},
                      LatencyCase{"GetFeature", &LatencyProfile::FeatureUs, 1},
                      LatencyCase{"Output", &LatencyProfile::OutputUs, 2},
                      LatencyCase{"Input", &LatencyProfile::InputUs, 3}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace zentrel::emulated::testing
