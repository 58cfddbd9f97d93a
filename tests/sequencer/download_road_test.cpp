// The download road tick by tick: what reaches the emulated device's flash,
// the progress texts, and every failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "sequencer/outcome_text.h"
#include "tests/support/flash_check.h"
#include "tests/support/sequencer_harness.h"

namespace zentrel {
namespace {

using enum SequencerStage;

using testing::LoadRandomImage;
using testing::PutMemoryImageHeader;
using testing::SequencerHarness;

TEST(DownloadRoad, FlashesTheImageFrom4096PageByPage) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  const std::uint32_t length = 4096 + 5 * 128 + 17;  // six pages, the last partly
  LoadRandomImage(*h.image, length);

  h.sequencer.StartDownload();
  EXPECT_EQ(h.sequencer.RunMode(), RoadMode::Download);
  h.RunUntilIdle();

  ASSERT_EQ(device.DataReportCount(), 6u * 4);
  testing::ExpectFlashed(device.Flash(), testing::SentBytes(*h.image));
  EXPECT_EQ(device.ProtocolErrors(), 0);

  // CMD_IMAGE_KIND carried the kind letter and no key bytes.
  ASSERT_EQ(device.Commands().size(), 3u);
  EXPECT_EQ(device.Commands()[2], (CommandReport{0x00, 0x00, 0, 0, 0, 0x68, 0, 0, 0}));

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
  // Idle and the device closed, then the text, then the box.
  EXPECT_EQ(h.view.SequenceEnd(3),
            (std::vector<std::string>{
                "open status: BOOTLoader, Write page 4",
                "Idle status:BOOT successful finished ;-) ",
                "Idle box:Boot successful finished (BOOT info, information)"}));
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
  testing::ExpectFlashed(device.Flash(), testing::SentBytes(*h.image));
}

INSTANTIATE_TEST_SUITE_P(Lengths, DownloadPages,
                         ::testing::Values(PageRow{4097, 1}, PageRow{4096 + 128, 2},
                                           PageRow{4096 + 256, 3},
                                           // The last page runs 96 bytes past the buffer.
                                           PageRow{260000, 2000}));

TEST(DownloadRoad, WithoutAnImageAsksForAFileAndReportsNoEarlierSuccess) {
  SequencerHarness h;
  h.bus.AddBootLoader({});
  h.sequencer.StartInfo();
  h.RunUntilIdle();
  ASSERT_TRUE(h.sequencer.RoadCompleted());
  h.sequencer.StartDownload();
  EXPECT_EQ(h.sequencer.SequencerState(), Idle);
  EXPECT_FALSE(h.sequencer.RoadCompleted());
  EXPECT_EQ(h.view.SequenceEnd(1),
            std::vector<std::string>{
                "Idle box:File is not selected, select file please (File info, warning)"});
  EXPECT_EQ(h.view.Field(ValueField::PlatformField), std::string(30, ' '));
}

TEST(DownloadRoad, AnImageWithNothingAboveTheBootAreaIsRefusedBeforeTheDevice) {
  for (std::uint32_t length : {0u, 100u, 4096u}) {
    SequencerHarness h;
    auto& device = h.bus.AddBootLoader({});
    LoadRandomImage(*h.image, length);
    h.sequencer.StartDownload();
    h.TickOnce();
    EXPECT_EQ(h.sequencer.SequencerState(), Idle) << length;
    EXPECT_TRUE(device.Commands().empty()) << length;
    auto boxes = h.view.Boxes();
    ASSERT_EQ(boxes.size(), 1u) << length;
    EXPECT_EQ(boxes[0].Text, "File has no data to download");
    EXPECT_EQ(boxes[0].Caption, "File info");
    EXPECT_EQ(boxes[0].Icon, MessageIcon::Warning);
  }
}

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

namespace zentrel {
namespace {

// Ctrl-C and closing the window stop a road through the engine: what it
// says then is exactly what the device holds.
TEST(DownloadRoad, StoppedAtPageThreeSaysThreePagesAndShowsNothing) {
  SequencerHarness h;
  auto& device = h.bus.AddBootLoader({});
  LoadRandomImage(*h.image, 4096 + 8 * 128);  // nine pages
  h.sequencer.StartDownload();
  EXPECT_EQ(h.sequencer.Progress().Pages, 9u);
  while (h.sequencer.Progress().PagesDone < 3) h.TickOnce();
  h.TickOnce();  // the first packet of page 4 goes out
  const std::size_t shown = h.view.Events.size();

  h.sequencer.Stop();

  const RoadOutcome& outcome = h.sequencer.Outcome();
  EXPECT_TRUE(outcome.Ended);
  EXPECT_FALSE(outcome.Completed());
  EXPECT_EQ(outcome.Failure, FailureKind::Stopped);
  EXPECT_EQ(outcome.Stage, AwaitPacketAck);
  EXPECT_EQ(outcome.PagesWritten, 3u);
  EXPECT_EQ(outcome.Pages, 9u);
  EXPECT_EQ(h.sequencer.SequencerState(), Idle);
  EXPECT_FALSE(h.device.IsOpen());
  EXPECT_EQ(h.view.Events.size(), shown);
  EXPECT_EQ(device.DataReportCount(), 13u);
  h.sequencer.Stop();  // nothing runs: nothing changes
  EXPECT_EQ(h.sequencer.Outcome().PagesWritten, 3u);
}

// A stopped road says what the device holds, wherever it stopped; only a
// download speaks of an erase, and a reset only once the boot loader answered.
TEST(StoppedText, SaysWhatTheDeviceHoldsWhereverTheRoadStopped) {
  const std::string reset = "the device was reset into its boot loader and its flash is unchanged";
  const std::string sent =
      "the reset command was sent but no boot loader has answered since; the flash is unchanged";
  // Stage, whether the reset reached the device, whether the boot loader
  // answered after it.
  const std::tuple<RoadKind, SequencerStage, bool, bool, std::string> rows[] = {
      {RoadKind::Download, ResetDevice, false, false,
       "interrupted before anything was sent to the device"},
      {RoadKind::Download, Connect, true, false, "interrupted before the erase: " + sent},
      {RoadKind::Download, Connect, false, false,
       "interrupted before the erase: the device was not reset and its flash is unchanged"},
      {RoadKind::Info, BootStatus, true, false, "interrupted: " + sent},
      {RoadKind::Info, ReadBootStrings, true, true, "interrupted: " + reset},
      {RoadKind::Download, AwaitErase, true, true,
       "download interrupted during the erase: the device's flash is partly erased; flash it "
       "again"},
      {RoadKind::Download, AwaitPacketAck, true, true,
       "download interrupted after page 3 of 9: the device holds an incomplete image; flash it "
       "again"},
      {RoadKind::AppInfo, AppRequest, false, false,
       "interrupted: nothing was changed on the device"}};
  for (const auto& [road, stage, resetSent, answered, text] : rows) {
    RoadOutcome outcome{.Road = road,
                        .Stage = stage,
                        .PagesWritten = 3,
                        .Pages = 9,
                        .ResetSent = resetSent,
                        .BootLoaderAnswered = answered};
    EXPECT_EQ(StoppedText(outcome), text);
  }
}

}  // namespace
}  // namespace zentrel
