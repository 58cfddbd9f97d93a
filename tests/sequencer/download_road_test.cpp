// The download road tick by tick: what reaches the emulated device's flash,
// the progress texts, and every failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/image_loader.h"
#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using emulated::FaultKind;
using testing::SequencerHarness;
using testing::ViewEvent;

// Puts an image of the given length with random bytes into the store, as a
// load would (zeros beyond its end).
void LoadRandomImage(ImageStore& store, std::uint32_t length, char kind = 'h') {
  std::mt19937 random(length);
  std::fill(store.ImageBuffer.begin(), store.ImageBuffer.end(), std::uint8_t{0});
  for (std::uint32_t i = 0; i < length; ++i) {
    store.ImageBuffer[i] = static_cast<std::uint8_t>(random());
  }
  store.ImageLength = length;
  store.ImageKind = kind;
  store.ImageLoaded = 1;
}

TEST(DownloadRoad, FlashesTheImageFrom4096PageByPage) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  const std::uint32_t length = 4096 + 5 * 128 + 17;  // six pages, the last partly
  LoadRandomImage(*h.image, length);

  h.sequencer.StartDownload();
  EXPECT_EQ(h.sequencer.RunMode, Download);
  h.RunUntilIdle();

  const std::uint32_t pages = 6;
  ASSERT_EQ(device.DataReportCount(), pages * 4);
  const auto& flash = device.Flash();
  EXPECT_TRUE(std::equal(flash.begin() + 4096, flash.begin() + 4096 + pages * 128,
                         h.image->ImageBuffer.begin() + 4096));
  // Past the image's end the last page carries zeros; nothing more was written.
  EXPECT_TRUE(std::all_of(flash.begin() + length, flash.begin() + 4096 + pages * 128,
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(flash[4096 + pages * 128], 0xFF);
  EXPECT_EQ(device.ProtocolErrors(), 0);

  // CMD_IMAGE_KIND carried the kind letter and no key bytes.
  ASSERT_EQ(device.Commands().size(), 3u);
  const CommandReport kind{0, CMD_IMAGE_KIND, 0, 0, 0, 'h', 0, 0, 0};
  EXPECT_EQ(device.Commands()[2], kind);

  // Progress 0..4, then the success text and box.
  std::vector<std::string> progress;
  for (const std::string& s : h.view.Statuses()) {
    if (s.rfind(" BOOTLoader", 0) == 0 || s.rfind("BOOT successful", 0) == 0) {
      progress.push_back(s);
    }
  }
  EXPECT_EQ(progress, (std::vector<std::string>{
                          " BOOTLoader, Write page 0", " BOOTLoader, Write page 1",
                          " BOOTLoader, Write page 2", " BOOTLoader, Write page 3",
                          " BOOTLoader, Write page 4", "BOOT successful finished ;-) "}));
  auto boxes = h.view.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Boot successful finished");
  EXPECT_EQ(boxes[0].Caption, "BOOT info");
  EXPECT_EQ(boxes[0].Icon, MessageIcon::Information);
  EXPECT_EQ(boxes[0].StateAtBox, Idle);
  EXPECT_FALSE(boxes[0].DeviceOpenAtBox);
  EXPECT_TRUE(h.sequencer.RoadCompleted());
}

struct PageRow {
  std::uint32_t Length;
  std::uint32_t Pages;
};

class DownloadPages : public ::testing::TestWithParam<PageRow> {};

TEST_P(DownloadPages, SendsWholePagesAndZerosPastTheBuffer) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});  // 256 KiB: room for all of them
  LoadRandomImage(*h.image, GetParam().Length);
  h.sequencer.StartDownload();
  h.RunUntilIdle();
  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_EQ(device.DataReportCount(), GetParam().Pages * 4);
  const auto& flash = device.Flash();
  const std::uint32_t end = 4096 + GetParam().Pages * 128;
  const std::uint32_t inBuffer = std::min<std::uint32_t>(end, kImageBufferSize);
  EXPECT_TRUE(std::equal(flash.begin() + 4096, flash.begin() + inBuffer,
                         h.image->ImageBuffer.begin() + 4096));
  EXPECT_TRUE(std::all_of(flash.begin() + inBuffer, flash.begin() + end,
                          [](std::uint8_t b) { return b == 0; }));
}

INSTANTIATE_TEST_SUITE_P(Lengths, DownloadPages,
                         ::testing::Values(PageRow{4097, 1}, PageRow{4096 + 128, 2},
                                           PageRow{4096 + 256, 3},
                                           // The last page runs 96 bytes past the buffer.
                                           PageRow{260000, 2000}));

TEST(DownloadRoad, WithoutAnImageAsksForAFile) {
  SequencerHarness h;
  h.bus.AddBootLoader({});
  h.sequencer.StartDownload();
  EXPECT_EQ(h.sequencer.SequencerState, Idle);
  auto boxes = h.view.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "File is not selected, select file please");
  EXPECT_EQ(boxes[0].Caption, "File info");
  EXPECT_EQ(boxes[0].Icon, MessageIcon::Warning);
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), std::string(30, ' '));
}

TEST(DownloadRoad, AnImageWithNothingAboveTheBootAreaIsRefusedBeforeTheDevice) {
  for (std::uint32_t length : {0u, 100u, 4096u}) {
    SequencerHarness h;
    auto& device = h.bus.AddBootLoader({});
    LoadRandomImage(*h.image, length);
    h.sequencer.StartDownload();
    h.TickOnce();
    EXPECT_EQ(h.sequencer.SequencerState, Idle) << length;
    EXPECT_TRUE(device.Commands().empty()) << length;
    auto boxes = h.view.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << length;
    EXPECT_EQ(boxes[0].Text, "File has no data to download");
    EXPECT_EQ(boxes[0].Caption, "File info");
    EXPECT_EQ(boxes[0].Icon, MessageIcon::Warning);
  }
}

struct CompatRow {
  const char* Name;
  const char* Header;  // the .mvx header's platform and version fields
  std::uint16_t FlashKiB;
  const char* Box;
  const char* Status;
};

// A 43-byte memory image header naming a platform at 15 and a version at 33.
void PutMemoryImageHeader(ImageStore& store, const char* platform, const char* version) {
  std::string header(43, ' ');
  header.replace(0, 9, "ZENTREL  ");
  header.replace(15, std::strlen(platform), platform);
  header.replace(33, std::strlen(version), version);
  header[41] = '\r';
  header[42] = '\n';
  std::memcpy(store.FileBuffer.data(), header.data(), header.size());
  store.FileLength = static_cast<std::uint32_t>(header.size());
}

class DownloadCompatibility : public ::testing::TestWithParam<CompatRow> {};

TEST_P(DownloadCompatibility, BoxFirstThenStatusAndTheFieldsKeepTheDevice) {
  const CompatRow& row = GetParam();
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.FlashSizeKiB = row.FlashKiB;
  auto& device = h.bus.AddBootLoader(config);
  LoadRandomImage(*h.image, 8 * 1024, 'm');
  const std::string fields = row.Header;
  const auto blank = fields.find(' ');
  PutMemoryImageHeader(*h.image, fields.substr(0, blank).c_str(),
                       fields.substr(blank + 1).c_str());
  h.sequencer.StartDownload();
  h.RunUntilIdle();

  EXPECT_EQ(device.EraseCount(), 0);
  EXPECT_EQ(device.DataReportCount(), 0u);
  EXPECT_TRUE(testing::IsRoadFailureBox(h.view.Boxes(), row.Box));
  EXPECT_EQ(h.view.Events.back().What, ViewEvent::Status);
  EXPECT_EQ(h.view.StatusText, row.Status);
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), "  ZX-CORE");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DownloadCompatibility,
    ::testing::Values(
        CompatRow{"Platform", "ZX-OTHER 1.x", 256,
                  "HW is uncompatible with selected SW image File",
                  "HW is uncompatible with SW image File"},
        CompatRow{"Version", "ZX-CORE 2.x", 256,
                  "HW version is uncompatible with selected SW image File",
                  "HW version is uncompatible with SW image File"},
        CompatRow{"FlashTooSmall", "ZX-CORE 1.x", 4,
                  "Device Flash size is smaller than SW image",
                  "Device Flash size is smaller than SW image"}),
    [](const ::testing::TestParamInfo<CompatRow>& info) { return info.param.Name; });

TEST(DownloadRoad, MatchingMemoryImageIsFlashed) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  LoadRandomImage(*h.image, 4096 + 300, 'm');
  PutMemoryImageHeader(*h.image, "ZX-CORE", "1.x");
  h.sequencer.StartDownload();
  h.RunUntilIdle();
  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_EQ(device.ImageKind(), 'm');
}

struct DownloadFailureRow {
  const char* Name;
  FaultKind Fault;
  int N;
  const char* Status;  // nullptr: not checked
  const char* Box;
};

class DownloadFailure : public ::testing::TestWithParam<DownloadFailureRow> {};

TEST_P(DownloadFailure, EndsIdleClosedAndNeverReportsSuccess) {
  const DownloadFailureRow& row = GetParam();
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  LoadRandomImage(*h.image, 4096 + 10 * 128);
  h.sequencer.StartDownload();
  // Faults are injected once the image kind is due, so that they hit the
  // download stages and not the road before them.
  while (h.sequencer.SequencerState != SendImageKind) h.TickOnce();
  device.InjectFault(row.Fault, row.N);
  h.RunUntilIdle();

  EXPECT_FALSE(h.sequencer.RoadCompleted());
  EXPECT_FALSE(h.device.IsOpen());
  for (const std::string& s : h.view.Statuses()) {
    EXPECT_EQ(s.find("successful"), std::string::npos) << s;
  }
  EXPECT_TRUE(testing::IsRoadFailureBox(h.view.Boxes(), row.Box));
  if (row.Status != nullptr) {
    EXPECT_EQ(h.view.StatusText, row.Status);
  }
  // No packet is ever sent twice: each reached the next flash address.
  EXPECT_EQ(device.ProtocolErrors(), 0);
  EXPECT_LE(device.DataReportCount(), 40u);
  const auto& flash = device.Flash();
  const std::size_t written = device.DataReportCount() * 32;
  EXPECT_TRUE(std::equal(flash.begin() + 4096, flash.begin() + 4096 + written,
                         h.image->ImageBuffer.begin() + 4096));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DownloadFailure,
    ::testing::Values(
        DownloadFailureRow{"ImageKindNotSent", FaultKind::FailSetFeature, 1, nullptr,
                           "HID device communication error"},
        DownloadFailureRow{"EraseStatusNotFetched", FaultKind::FailGetFeature, 1,
                           "Device Erase comunication fail", "Boot erase error"},
        DownloadFailureRow{"EraseNeverEnds", FaultKind::EraseNeverEnds, 1,
                           "Device Erase comunication fail", "Boot erase error"},
        DownloadFailureRow{"PacketNotWritten", FaultKind::FailOutput, 7, nullptr,
                           "Boot data write error"},
        DownloadFailureRow{"AckNotFetched", FaultKind::FailGetFeature, 12, nullptr,
                           "Boot data write Ack error"},
        DownloadFailureRow{"AckNeverComes", FaultKind::AckNeverComes, 9, nullptr,
                           "Boot data write Ack error"},
        DownloadFailureRow{"VanishesMidDownload", FaultKind::Vanish, 5, nullptr,
                           "Boot data write Ack error"}),
    [](const ::testing::TestParamInfo<DownloadFailureRow>& info) { return info.param.Name; });

TEST(DownloadRoad, EraseAndAckWaitsAreBoundedInMeasuredTime) {
  struct Row {
    FaultKind Fault;
    int N;
    std::uint8_t State;
    std::uint64_t Limit;
  };
  for (Row row : {Row{FaultKind::EraseNeverEnds, 1, AwaitErase, kEraseTimeoutUs},
                  Row{FaultKind::AckNeverComes, 3, AwaitPacketAck, kPacketAckTimeoutUs}}) {
    SequencerHarness h;
    auto& device = h.bus.AddBootLoader({});
    LoadRandomImage(*h.image, 4096 + 1024);
    h.sequencer.StartDownload();
    while (h.sequencer.SequencerState != SendImageKind) h.TickOnce();
    device.InjectFault(row.Fault, row.N);
    std::uint64_t enteredAt = 0;
    std::uint8_t last = h.sequencer.SequencerState;
    while (h.sequencer.SequencerState != Idle) {
      h.TickOnce();
      if (h.sequencer.SequencerState == row.State && last != row.State) {
        enteredAt = h.clock.NowUs();
      }
      last = h.sequencer.SequencerState;
    }
    const std::uint64_t waited = h.clock.NowUs() - enteredAt;
    EXPECT_GE(waited, row.Limit);
    EXPECT_LE(waited, row.Limit + 20'000);
  }
}

TEST(DownloadRoad, SlowAcksKeepPollingWithoutResending) {
  SequencerHarness h;
  emulated::BootLoaderConfig config;
  config.Latency.PageWriteUs = 50'000;  // five ticks of busy status per page
  auto& device = h.bus.AddBootLoader(config);
  LoadRandomImage(*h.image, 4096 + 512);
  h.sequencer.StartDownload();
  h.RunUntilIdle();
  EXPECT_TRUE(h.sequencer.RoadCompleted());
  EXPECT_EQ(device.DataReportCount(), 5u * 4);
  EXPECT_EQ(device.ProtocolErrors(), 0);
}

}  // namespace
}  // namespace zentrel
