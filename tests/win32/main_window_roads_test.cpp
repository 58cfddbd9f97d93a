// The three conversations, the file load and the closing, driven through the
// window's buttons and menu against the emulated boot loader.
#include <algorithm>

#include "image/image_loader.h"
#include "sequencer/boot_sequencer.h"
#include "tests/win32/loader_window_harness.h"
#include "ui/win32/resource_ids.h"

namespace zentrel::win32::testing {
namespace {

using RoadsTest = LoaderWindowTest;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(RoadsTest, HwInfoFillsTheFieldsAndFreesTheButtons) {
  Start();
  Click(Window().HwInfoButton);
  EXPECT_FALSE(ButtonsEnabled());
  RunUntilIdle();
  const auto& w = Window();
  EXPECT_TRUE(Contains(TextOf(w.Fields[0]), device_->Config().Platform));
  EXPECT_TRUE(Contains(TextOf(w.Fields[1]), device_->Config().HwVersion));
  EXPECT_TRUE(Contains(TextOf(w.Fields[2]), device_->Config().BootVersion));
  EXPECT_TRUE(Contains(TextOf(w.Fields[5]), "ZENTREL BOOT"));
  Tick();
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(access_.IsOpen());
  EXPECT_TRUE(answerer_.Boxes().empty());
}

TEST_F(RoadsTest, ApplicationFwShowsTheApplicationsIdentification) {
  Start();
  Click(Window().AppFwButton);
  RunUntilIdle();
  EXPECT_TRUE(Contains(TextOf(Window().Fields[3]), device_->Config().AppInfo));
  EXPECT_TRUE(Contains(TextOf(Window().Fields[4]), device_->Config().FwVersion));
  EXPECT_FALSE(access_.IsOpen());
}

TEST_F(RoadsTest, DownloadWithoutAFileAsksForOne) {
  Start();
  Click(Window().DownloadButton);
  RunUntilIdle();
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "File is not selected, select file please");
  EXPECT_EQ(boxes[0].Caption, "File info");
  EXPECT_EQ(boxes[0].Icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(device_->ResetCount(), 0);
}

TEST_F(RoadsTest, WholeDownloadOfTheExampleImage) {
  Start();
  const std::string path = ExamplePath("demo.mvx");
  OpenFile(path);
  EXPECT_EQ(TextOf(Window().PathField), path);
  ASSERT_EQ(image_->ImageLoaded, 1);

  Click(Window().DownloadButton);
  const std::vector<std::string> statuses = RunUntilIdle();
  const std::uint32_t pages = PagesToSend(image_->ImageLength);
  ASSERT_GT(pages, 1u);
  // The pages counted up one by one in the status bar.
  auto at = std::find(statuses.begin(), statuses.end(), " BOOTLoader, Write page 0");
  ASSERT_NE(at, statuses.end());
  std::uint32_t shown = 0;
  for (; at != statuses.end() && at->rfind(" BOOTLoader, Write page ", 0) == 0; ++at, ++shown) {
    EXPECT_EQ(*at, " BOOTLoader, Write page " + std::to_string(shown));
  }
  EXPECT_GE(shown + 1, pages);
  EXPECT_EQ(Status(), "BOOT successful finished ;-) ");

  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Boot successful finished");
  EXPECT_EQ(boxes[0].Icon, static_cast<UINT>(MB_ICONINFORMATION));

  // What reached the device is the image, page for page, from 4096.
  const auto& flash = device_->Flash();
  ASSERT_GE(flash.size(), 4096 + pages * 128);
  EXPECT_TRUE(std::equal(flash.begin() + 4096, flash.begin() + 4096 + pages * 128,
                         image_->ImageBuffer.begin() + 4096));
  EXPECT_FALSE(access_.IsOpen());
}

TEST_F(RoadsTest, CompatibilityFailureEndsBeforeTheErase) {
  emulated::BootLoaderConfig other;
  other.Platform = "QX-OTHER";
  Start(other);
  OpenFile(ExamplePath("demo.mvx"));
  Click(Window().DownloadButton);
  RunUntilIdle();
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "HW is uncompatible with selected SW image File");
  EXPECT_EQ(device_->EraseCount(), 0);
  EXPECT_FALSE(access_.IsOpen());
}

TEST_F(RoadsTest, CancelledFileDialogChangesNothing) {
  Start();
  Click(Window().OpenFileButton);
  ASSERT_EQ(answerer_.Seen.size(), 1u);
  EXPECT_EQ(answerer_.Seen[0].Kind, DialogKind::OpenFile);
  EXPECT_EQ(TextOf(Window().PathField), "");
  EXPECT_EQ(image_->ImageLoaded, 0);
}

TEST_F(RoadsTest, AboutBox) {
  Start();
  Menu(ZENTREL_CMD_ABOUT);
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Caption, "About ");
  EXPECT_EQ(boxes[0].Icon, static_cast<UINT>(MB_ICONINFORMATION));
  const std::string& text = boxes[0].Text;
  EXPECT_EQ(text.rfind("Zentrel loader\n\n   ", 0), 0u);
  EXPECT_TRUE(Contains(text, "\n\n    Ver 0.0.4 02.07.2013\n\n     "));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6);
}

TEST_F(RoadsTest, KonecDestroysTheWindowAndQuitsWithZero) {
  Start();
  Menu(ZENTREL_CMD_EXIT);
  EXPECT_FALSE(IsWindow(Main()));
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

TEST_F(RoadsTest, KonecDuringADownloadClosesTheDeviceAndNothingRunsAfter) {
  Start();
  OpenFile(ExamplePath("demo.mvx"));
  Click(Window().DownloadButton);
  while (Context().Sequencer.SequencerState != WritePacket) Tick();
  ASSERT_TRUE(access_.IsOpen());
  const std::size_t packets = device_->DataReportCount();
  Menu(ZENTREL_CMD_EXIT);
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_FALSE(access_.IsOpen());
  // The state is left as it was, and no stage runs any more.
  EXPECT_NE(Context().Sequencer.SequencerState, Idle);
  SendMessageA(Main(), WM_TIMER, 1, 0);
  EXPECT_EQ(device_->DataReportCount(), packets);
  EXPECT_TRUE(answerer_.Boxes().empty());
}

TEST_F(RoadsTest, CloseBoxInIdleLeavesTheDeviceAlone) {
  Start();
  SendMessageA(Main(), WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_EQ(Context().Sequencer.SequencerState, Idle);
}

}  // namespace
}  // namespace zentrel::win32::testing
