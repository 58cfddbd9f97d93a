// Every injectable fault, seen through the platform seam.
#include <set>
#include <string>

#include "emulated_test_support.h"

namespace zentrel::emulated::testing {
namespace {

class FailedTransferTest : public EmulatedBusTest,
                           public ::testing::WithParamInterface<FaultKind> {
 protected:
  bool Transfer() {
    switch (GetParam()) {
      case FaultKind::FailSetFeature: return Send(KeyedCommand(kStartBoot));
      case FaultKind::FailGetFeature: return Status().has_value();
      case FaultKind::FailOutput: return Write(Packet(0));
      default: return Strings(0).has_value();
    }
  }
};

TEST_P(FailedTransferTest, OnlyTheNthTransferOfItsKindFails) {
  BootLoaderConfig config;
  config.Latency.PacketWriteUs = 0;
  config.Latency.PageWriteUs = 0;
  AddStarted(config);
  Erase();
  ASSERT_TRUE(Transfer());
  device_->InjectFault(GetParam(), 2);
  EXPECT_TRUE(Transfer());
  const std::size_t dataBefore = device_->DataReportCount();
  const std::size_t commandsBefore = device_->Commands().size();
  EXPECT_FALSE(Transfer());
  // A failed transfer reaches nothing.
  EXPECT_EQ(device_->DataReportCount(), dataBefore);
  EXPECT_EQ(device_->Commands().size(), commandsBefore);
  EXPECT_TRUE(Transfer());
  EXPECT_TRUE(Transfer());
  EXPECT_TRUE(device_->Present());
}

INSTANTIATE_TEST_SUITE_P(Kinds, FailedTransferTest,
                         ::testing::Values(FaultKind::FailSetFeature,
                                           FaultKind::FailGetFeature,
                                           FaultKind::FailOutput, FaultKind::FailInput),
                         [](const auto& info) {
                           std::string name(FaultKindName(info.param));
                           std::erase(name, '-');
                           return name;
                         });

TEST_F(EmulatedBusTest, DeviceThatStopsAnsweringSendsNothingAndFailsStatus) {
  BootLoaderConfig config;
  config.InvalidStringsReads = 0;
  AddStarted(config);
  device_->InjectFault(FaultKind::StopAnswering);
  EXPECT_FALSE(Status().has_value());
  EXPECT_FALSE(Strings(1000).has_value());
  EXPECT_EQ(clock_.NowUs(), 1'000'000u);  // waited the whole limit
  EXPECT_TRUE(Send(ImageKindCommand('h')));
  EXPECT_EQ(device_->EraseCount(), 0);
  EXPECT_TRUE(device_->Present());
  device_->ClearFaults();
  EXPECT_EQ(Status(), kStatusOk);
  EXPECT_TRUE(Strings(0).has_value());
}

// Gone at once, or at the reset and never back: gone for good either way.
TEST_F(EmulatedBusTest, VanishAtOnceOrNeverBackAfterResetMeansGoneForGood) {
  for (const FaultKind kind : {FaultKind::Vanish, FaultKind::NeverReturnsAfterReset}) {
    Add();
    OpenDevice();
    device_->InjectFault(kind, 0);
    EXPECT_EQ(device_->Present(), kind != FaultKind::Vanish);
    EXPECT_EQ(Send(KeyedCommand(kind == FaultKind::Vanish ? kAppId : kReset)),
              kind != FaultKind::Vanish);
    clock_.AdvanceUs(3'600'000'000ull);
    EXPECT_FALSE(device_->Present());
    EXPECT_EQ(OpenDevice(), kNoHidHandle);
  }
}

TEST_F(EmulatedBusTest, VanishAfterTheNthDataReport) {
  AddStarted();
  Erase();
  device_->InjectFault(FaultKind::Vanish, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(Write(Packet(static_cast<std::uint8_t>(10 * i))));
  }
  EXPECT_FALSE(device_->Present());
  EXPECT_FALSE(Write(Packet(0)));
  EXPECT_FALSE(Status().has_value());
  EXPECT_EQ(device_->DataReportCount(), 3u);
  EXPECT_EQ(device_->Flash()[kFirstWriteAddress + 64], 20);  // the third got in
}

TEST_F(EmulatedBusTest, WrongBootStatusIsNeitherOkNorBusyLooking) {
  BootLoaderConfig config;
  config.StartInBootLoader = true;
  Add(config);
  device_->InjectFault(FaultKind::WrongBootStatus);
  OpenDevice();
  ASSERT_TRUE(Send(KeyedCommand(kStartBoot)));
  const auto status = Status();
  ASSERT_TRUE(status.has_value());
  EXPECT_NE(*status, kStatusOk);
  EXPECT_NE(*status, kPacketAck);
}

TEST_F(EmulatedBusTest, EraseThatNeverEndsHangsOnlyOnce) {
  AddStarted();
  device_->InjectFault(FaultKind::EraseNeverEnds);
  ASSERT_TRUE(Send(ImageKindCommand('h')));
  clock_.AdvanceUs(600'000'000);
  const auto status = Status();
  ASSERT_TRUE(status.has_value());
  EXPECT_NE(*status, kStatusOk);
  Erase();  // the next erase ends normally
}

TEST(FaultKindNameTest, EveryKindHasADistinctNameThatParsesBack) {
  std::set<std::string> names;
  for (FaultKind kind : kAllFaultKinds) {
    const std::string_view name = FaultKindName(kind);
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(ParseFaultKind(name), kind) << name;
    names.emplace(name);
  }
  EXPECT_EQ(names.size(), std::size(kAllFaultKinds));
  EXPECT_FALSE(ParseFaultKind("").has_value());
  EXPECT_FALSE(ParseFaultKind("Vanish").has_value());
}

}  // namespace
}  // namespace zentrel::emulated::testing
