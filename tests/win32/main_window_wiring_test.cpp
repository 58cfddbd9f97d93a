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
  // The user clicks into the path field while the pages go out.
  Click(Window().PathField);
  ASSERT_EQ(GetFocus(), Window().PathField);
  while (Context().Sequencer.SequencerState() != WritePacket) Tick();
  ASSERT_TRUE(access_.IsOpen());
  const int calls = platform_.Calls();
  Menu(ZENTREL_CMD_EXIT);
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_FALSE(access_.IsOpen());
  // The device was closed, and nothing reached it after that: neither the
  // path field's leaving focus nor a late timer event runs a stage.
  EXPECT_EQ(platform_.Calls(), calls + 1);
  EXPECT_EQ(Context().Sequencer.SequencerState(), WritePacket);
  SendMessageA(Main(), WM_TIMER, 1, 0);
  EXPECT_EQ(platform_.Calls(), calls + 1);
  EXPECT_TRUE(answerer_.Boxes().empty());
}

TEST_F(RoadsTest, CloseBoxInIdleLeavesTheDeviceAlone) {
  Start();
  // A device held open while the sequencer is Idle shows whether the close
  // calls CloseDevice: it must not.
  ASSERT_EQ(access_.OpenDeviceByIds(ids_.VendorId, ids_.ProductId, access_.RefreshDeviceList()), 1);
  const int closes = platform_.CloseCalls();
  ClickCloseBox();
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_TRUE(access_.IsOpen());
  EXPECT_EQ(platform_.CloseCalls(), closes);
  EXPECT_EQ(Context().Sequencer.SequencerState(), Idle);
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

// Closing through the close box while the path field has the focus, in each
// stage that the two device roads pass through.
struct CloseCase {
  bool Download;  // the download road, else the application road
  std::uint8_t State;
};

class CloseInStageTest : public LoaderWindowTest,
                         public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseInStageTest, ClosesTheDeviceAndRunsNoFurtherStage) {
  Start();
  if (GetParam().Download) {
    OpenFile(ExamplePath("demo.mvx"));
    Click(Window().DownloadButton);
  } else {
    Click(Window().AppFwButton);
  }
  // Focus moves into the path field (which runs a Tick), unless the stage is
  // the first of its road, which no tick may pass.
  const std::uint8_t state = GetParam().State;
  if (Context().Sequencer.SequencerState() != state) Click(Window().PathField);
  for (int i = 0; i < 20000 && Context().Sequencer.SequencerState() != state; ++i) Tick();
  ASSERT_EQ(Context().Sequencer.SequencerState(), state);
  const bool wasOpen = access_.IsOpen();
  const int calls = platform_.Calls();
  const std::int32_t counter = Context().Sequencer.TickCounter();

  ClickCloseBox();
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_FALSE(access_.IsOpen());
  EXPECT_EQ(bus_.OpenHandleCount(), 0u);
  // One call at most, the close itself; the state is left as it was.
  EXPECT_EQ(platform_.Calls(), calls + (wasOpen ? 1 : 0));
  EXPECT_EQ(Context().Sequencer.SequencerState(), state);
  EXPECT_EQ(Context().Sequencer.TickCounter(), counter);
  EXPECT_TRUE(answerer_.Boxes().empty());
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, CloseInStageTest,
    ::testing::Values(CloseCase{true, ResetDevice}, CloseCase{true, ResetDelay},
                      CloseCase{true, Connect}, CloseCase{true, BootStatus},
                      CloseCase{true, StatusDelay}, CloseCase{true, ReadBootStrings},
                      CloseCase{true, SendImageKind}, CloseCase{true, AwaitErase},
                      CloseCase{true, WritePacket}, CloseCase{true, AwaitPacketAck},
                      CloseCase{false, AppRequest}, CloseCase{false, AppDelay},
                      CloseCase{false, ReadAppStrings}));

}  // namespace
}  // namespace zentrel::win32::testing
