// The hidapi platform against kernel-shaped hidraw nodes: what the emulated
// bus cannot show (sysfs strings, report ID bytes, short answers, errno of a
// node that fails, a node that cannot be opened, the USB port in sysfs).
// Many boards on one platform: the shared suite, with hidraw_rack.cpp.
// Runs under umockdev-wrapper.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstring>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "hid/device_access.h"
#include "hid/hidapi/hidapi_platform.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"
#include "sequencer/boot_sequencer.h"
#include "sequencer/road_run.h"
#include "tests/hidraw/hidraw_testbed.h"
#include "tests/support/recording_view.h"

namespace zentrel::hidraw {
namespace {

using emulated::FaultKind;
using zentrel::testing::RecordingView;

// CMD_START_BOOT with the key, as literal bytes.
const CommandReport kStartBoot = {0x00, 0x55, 0x00, 0x00, 0x00, 0x5A, 0x45, 0x4E, 0x54};

class HidapiOnHidraw : public ::testing::Test {
 protected:
  // The devices are made by each test, after it has set their
  // configuration: device k on port 1-k with serial ZB-00000k, the road's
  // access choosing by filter.
  void Plug(int devices = 1, DeviceFilter filter = {}) {
    bed_ = std::make_unique<HidrawTestbed>();
    for (int k = 1; k <= devices; ++k) devices_.push_back(&bed_->Add(NumberedDevice(k, config_)));
    device_ = devices_[0];
    std::string error;
    // Without umockdev's preload there is no device: that is a failure,
    // never a pass.
    ASSERT_TRUE(bed_->Start(error)) << error;
    platform_ = std::make_unique<HidapiPlatform>();
    access_ = std::make_unique<DeviceAccess>(*platform_, filter);
  }

  // One device, opened as a road's Connect stage does.
  void PlugAndOpen() {
    Plug();
    const std::int32_t n = access_->RefreshDeviceList();
    ASSERT_EQ(n, 1);
    ASSERT_EQ(access_->OpenDeviceByIds(0x1D50, 0x61A7, n), 1);
  }

  // Runs a road to its end in real time, the transfer stages back to back.
  void RunRoad(void (BootSequencer::*start)()) {
    BootSequencer sequencer(view_, *access_, image_, ids_, clock_);
    view_.Watch(sequencer, *access_);
    (sequencer.*start)();
    TickUntilIdle(sequencer, clock_, Pace::Fast);
    completed_ = sequencer.RoadCompleted();
  }

  std::vector<std::string> Boxes() const { return view_.BoxTexts(); }
  std::string Field(ValueField field) const { return view_.Fields[static_cast<int>(field)]; }

  HidrawDeviceConfig config_;
  std::unique_ptr<HidrawTestbed> bed_;
  std::vector<HidrawBootLoader*> devices_;
  HidrawBootLoader* device_ = nullptr;  // the first
  std::unique_ptr<HidapiPlatform> platform_;
  std::unique_ptr<DeviceAccess> access_;
  RecordingView view_;
  // Megabytes of fixed buffers: on the heap, not inside the fixture.
  std::unique_ptr<ImageStore> image = std::make_unique<ImageStore>();
  ImageStore& image_ = *image;
  DeviceIds ids_;
  SteadyClock clock_;
  bool completed_ = false;
};

TEST_F(HidapiOnHidraw, ProductStringWithNonAsciiFirstCharacterKeepsItsLowByte) {
  // The kernel keeps the USB string as UTF-8; the process is in the C locale.
  std::setlocale(LC_ALL, "C");
  config_.Behaviour.ProductString = u"\u0141ZENTREL BOOT";
  PlugAndOpen();
  char product[65];
  std::memset(product, 0x55, sizeof product);
  ASSERT_EQ(access_->ReadProductString(product, 64), 1);
  EXPECT_EQ(static_cast<unsigned char>(product[0]), 0x41);
  EXPECT_STREQ(product, "AZENTREL BOOT");
}

TEST_F(HidapiOnHidraw, FeatureAndOutputReportsReachTheDeviceWithTheirIdByteRemoved) {
  config_.Behaviour.StartInBootLoader = true;
  config_.Behaviour.FlashSizeKiB = 0x1234;
  PlugAndOpen();
  ASSERT_EQ(access_->SendCommandReport(kStartBoot), 1);
  StatusReport status;
  status.fill(0xEE);
  status[0] = 0;
  ASSERT_EQ(access_->ReadStatusReport(status), 1);
  EXPECT_EQ(status, (StatusReport{0x00, 0x00, 0xAA, 0x34, 0x12, 0x00, 0x00, 0x00, 0x00}));
  // The first strings reports are not yet valid (byte 1 is 0), then come
  // platform, hardware and boot loader versions; byte 0 is the report ID.
  StringsReport strings{};
  int reads = 0;
  do {
    strings.fill(0xEE);
    ASSERT_EQ(access_->ReadStringsReport(strings), 1);
    ++reads;
  } while (strings[1] == 0 && reads < 10);
  EXPECT_EQ(reads, 4);
  EXPECT_EQ(strings[0], 0x00);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&strings[1])), "ZX-CORE");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&strings[17])), "1.2");
  EXPECT_EQ(strings[63], 0x00);
}

TEST_F(HidapiOnHidraw, ShortFeatureOrInputReportIsAFailureNotTheLastReportAgain) {
  config_.Behaviour.StartInBootLoader = true;
  config_.Behaviour.InvalidStringsReads = 0;
  PlugAndOpen();
  device_->InjectTransportFault(TransportFault::ShortFeature, 1);
  device_->InjectTransportFault(TransportFault::ShortInput, 1);
  ASSERT_EQ(access_->SendCommandReport(kStartBoot), 1);
  // What an earlier read left: an acknowledgement that must not be seen again.
  StatusReport status = {0x00, 0x00, 0xAD, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(access_->ReadStatusReport(status), 0);
  status = {};
  EXPECT_EQ(access_->ReadStatusReport(status), 1);
  EXPECT_EQ(status[2], 0xAA);
  StringsReport strings{};
  EXPECT_EQ(access_->ReadStringsReport(strings), 0);
  EXPECT_EQ(access_->ReadStringsReport(strings), 1);
  EXPECT_EQ(strings[1], 'Z');
}

TEST_F(HidapiOnHidraw, SignalWhileWaitingForInputIsNoFailureOfTheRead) {
  // Ctrl-C lands in the wait for the application's answer: the handler only
  // notes it (no SA_RESTART, as the command line installs it).
  config_.Behaviour.AppAnswerUs = 400'000;
  PlugAndOpen();
  struct sigaction noted {};
  noted.sa_handler = [](int) {};
  sigemptyset(&noted.sa_mask);
  struct sigaction before {};
  ASSERT_EQ(sigaction(SIGUSR1, &noted, &before), 0);
  ASSERT_EQ(access_->SendCommandReport(
                {0x00, 0xCC, 0x00, 0x00, 0x00, 0x5A, 0x45, 0x4E, 0x54}),  // CMD_APP_ID
            1);
  std::atomic<bool> read{false};
  const pthread_t reader = pthread_self();
  std::thread signaller([&] {
    while (!read) {
      pthread_kill(reader, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  StringsReport strings{};
  const int got = access_->ReadStringsReport(strings);
  read = true;
  signaller.join();
  sigaction(SIGUSR1, &before, nullptr);
  EXPECT_EQ(got, 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&strings[1]), 16), "ZENTREL DEMO APP");
}

// Opens the node alongside the road's handle, as another line's search does.
int OpenAlongside(const HidrawBootLoader& device) {
  return open(device.CurrentDevNode().c_str(), O_RDWR | O_CLOEXEC);
}

TEST_F(HidapiOnHidraw, SearchWhileABoardIsOpenTakesNoReportFromIt) {
  // Lines side by side: one looks for its board, opening every node, while
  // another's report waits to be read. The first report is not yet valid.
  config_.Behaviour.StartInBootLoader = true;
  config_.Behaviour.InvalidStringsReads = 1;
  PlugAndOpen();
  ASSERT_EQ(access_->SendCommandReport(kStartBoot), 1);
  const int watcher = OpenAlongside(*device_);
  ASSERT_GE(watcher, 0);
  pollfd ready{watcher, POLLIN, 0};
  const int queued = poll(&ready, 1, 2000);
  close(watcher);
  ASSERT_EQ(queued, 1);
  EXPECT_EQ(access_->RefreshDeviceList(), 1);
  StringsReport strings{};
  ASSERT_EQ(access_->ReadStringsReport(strings), 1);
  EXPECT_EQ(strings[1], 0x00);
  ASSERT_EQ(access_->ReadStringsReport(strings), 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&strings[1])), "ZX-CORE");
}

TEST_F(HidapiOnHidraw, ReadWithNothingQueuedGetsTheNextReport) {
  // A blocking read, as the kernel's, waits for the report to come.
  config_.Behaviour.AppAnswerUs = 300'000;
  PlugAndOpen();
  ASSERT_EQ(access_->SendCommandReport(
                {0x00, 0xCC, 0x00, 0x00, 0x00, 0x5A, 0x45, 0x4E, 0x54}),  // CMD_APP_ID
            1);
  const int reader = OpenAlongside(*device_);
  ASSERT_GE(reader, 0);
  char report[64] = {};
  auto got = std::async(std::launch::async, [&] { return read(reader, report, sizeof report); });
  if (got.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
    bed_.reset();  // which ends the read
    FAIL() << "the read still waits";
  }
  close(reader);
  EXPECT_EQ(got.get(), 63);
  EXPECT_EQ(std::string(report, 16), "ZENTREL DEMO APP");
}

// A node that fails ends the stage that met it, with that stage's texts.
struct NodeFailure {
  const char* Name;
  TransportFault Fault;
  int N;
  const char* Box;
};

void PrintTo(const NodeFailure& f, std::ostream* os) { *os << f.Name; }

class NodeFailsDuringInformationRoad : public HidapiOnHidraw,
                                       public ::testing::WithParamInterface<NodeFailure> {};

TEST_P(NodeFailsDuringInformationRoad, EndsTheStageWithItsText) {
  config_.Behaviour.ReenumerateUs = 100'000;
  Plug();
  device_->InjectTransportFault(GetParam().Fault, GetParam().N);
  RunRoad(&BootSequencer::StartInfo);
  EXPECT_FALSE(completed_);
  EXPECT_EQ(Boxes(), std::vector<std::string>{GetParam().Box});
  EXPECT_FALSE(access_->IsOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Hidraw, NodeFailsDuringInformationRoad,
    ::testing::Values(
        // Feature requests: 1 is CMD_RESET, 2 CMD_START_BOOT, 3 the status.
        NodeFailure{"StatusStalls", TransportFault::Stall, 3, "Boot CRC error"},
        NodeFailure{"StatusShort", TransportFault::ShortFeature, 1, "Boot CRC error"},
        // Transfers: the two commands, the status, then the strings reads.
        NodeFailure{"StringsReadEio", TransportFault::IoError, 4, "Boot strings read error"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(HidapiOnHidraw, NodeThatCannotBeOpenedIsNotListedButNamedWithItsReason) {
  config_.NodeMissing = true;
  Plug();
  EXPECT_EQ(access_->RefreshDeviceList(), 0);
  const auto found = platform_->FindUnopenable(0x1D50, 0x61A7);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Path, "/dev/hidraw0");
  EXPECT_NE(found[0].Reason.find("No such file or directory"), std::string::npos)
      << found[0].Reason;
  EXPECT_TRUE(platform_->FindUnopenable(0x1D50, 0x61A8).empty());
}

TEST_F(HidapiOnHidraw, NodeOfADeviceThatHasJustLeftIsNotNamedAsOneThatCannotBeOpened) {
  config_.LingerMs = 2000;
  config_.Behaviour.ReenumerateUs = 10'000'000;
  PlugAndOpen();
  ASSERT_EQ(access_->SendCommandReport(
                {0x00, 0xCA, 0x00, 0x00, 0x00, 0x5A, 0x45, 0x4E, 0x54}),  // CMD_RESET
            1);
  access_->CloseDevice();
  while (!device_->CurrentDevNode().empty()) std::this_thread::yield();
  // Its node lingers, answering nothing.
  EXPECT_EQ(access_->RefreshDeviceList(), 0);
  EXPECT_TRUE(platform_->FindUnopenable(0x1D50, 0x61A7).empty());
}

TEST_F(HidapiOnHidraw, InformationRoadFollowsTheDeviceToItsNewNodeOnTheSameUsbPort) {
  config_.Behaviour.ReenumerateUs = 100'000;
  Plug(2, DeviceFilter{"", "1-2"});
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw0"), "1-1");
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw1"), "1-2");
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw5"), "");
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw1/.."), "");
  EXPECT_EQ(platform_->GetLocation("hidraw1"), "");

  // The information road resets the second device, which comes back with
  // the testbed's next number on its own port.
  RunRoad(&BootSequencer::StartInfo);
  EXPECT_TRUE(completed_);
  EXPECT_EQ(Field(ValueField::PlatformField), "  ZX-CORE");
  EXPECT_EQ(Field(ValueField::BootVersionField), "  BL 2.05");
  EXPECT_EQ(Field(ValueField::DeviceIdField), "ZENTREL BOOT");
  EXPECT_EQ(devices_[1]->DevNodes(),
            (std::vector<std::string>{"/dev/hidraw1", "/dev/hidraw2"}));
  EXPECT_EQ(devices_[1]->ResetCount(), 1);
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw2"), "1-2");
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw1"), "");
  EXPECT_EQ(platform_->GetLocation("/dev/hidraw0"), "1-1");
  EXPECT_EQ(devices_[0]->ResetCount(), 0);
}

}  // namespace
}  // namespace zentrel::hidraw
