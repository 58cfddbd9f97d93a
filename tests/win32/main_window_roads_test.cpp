// The three conversations, the file load and the closing, driven through the
// window's buttons and menu against the emulated boot loader.
#include <algorithm>
#include <cstring>

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

// The device's flash holds the loaded image, page for page, from 4096 on.
bool FlashHoldsTheImage(const emulated::EmulatedBootLoader& device, const ImageStore& image) {
  const auto& flash = device.Flash();
  const std::size_t end = 4096 + std::size_t{PagesToSend(image.ImageLength)} * 128;
  return flash.size() >= end &&
         std::equal(flash.begin() + 4096, flash.begin() + end, image.ImageBuffer.begin() + 4096);
}

void SetClipboardText(HWND owner, const std::string& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  ASSERT_NE(memory, nullptr);
  std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  EXPECT_NE(SetClipboardData(CF_TEXT, memory), nullptr);
  CloseClipboard();
}

std::string ClipboardText(HWND owner) {
  if (!OpenClipboard(owner)) return "(clipboard not opened)";
  std::string text = "(no text)";
  if (HANDLE data = GetClipboardData(CF_TEXT); data != nullptr) {
    text = static_cast<const char*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
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

  EXPECT_TRUE(FlashHoldsTheImage(*device_, *image_));
  EXPECT_FALSE(access_.IsOpen());
}

TEST_F(RoadsTest, FocusOfThePathFieldTicksOnceAndTypingNever) {
  Start();
  Click(Window().HwInfoButton);
  Tick();
  ASSERT_EQ(Context().Sequencer.SequencerState, ResetDelay);
  const std::int32_t before = Context().Sequencer.TickCounter;
  Click(Window().PathField);
  ASSERT_EQ(GetFocus(), Window().PathField);
  EXPECT_EQ(Context().Sequencer.TickCounter, before - 1);
  // The field refuses the keys, so they notify nothing.
  TypeKeys({{'A'}, {'B'}});
  EXPECT_EQ(TextOf(Window().PathField), "");
  EXPECT_EQ(Context().Sequencer.TickCounter, before - 1);
  EXPECT_EQ(Context().Sequencer.SequencerState, ResetDelay);
}

TEST_F(RoadsTest, TypingInThePathFieldChangesNothingAndDownLoadSendsTheLoadedFile) {
  Start();
  const std::string path = ExamplePath("demo.mvx");
  OpenFile(path);
  ASSERT_EQ(TextOf(Window().PathField), path);

  // Another name typed over the path, edited and pasted: the field keeps it.
  Click(Window().PathField);
  ASSERT_EQ(GetFocus(), Window().PathField);
  SetClipboardText(Main(), "Z:\\tmp\\pasted.hex");
  TypeKeys({{'O'}, {'T'}, {'H'}, {'E'}, {'R'}, {VK_BACK}, {VK_HOME}, {VK_DELETE},
            {'V', VK_CONTROL}});
  EXPECT_EQ(TextOf(Window().PathField), path);
  TypeKeys({{VK_HOME}, {VK_END, VK_SHIFT}, {'X', VK_CONTROL}});
  EXPECT_EQ(TextOf(Window().PathField), path);

  // The path can be selected and copied.
  DWORD from = 1;
  DWORD to = 0;
  SendMessageA(Window().PathField, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, path.size());
  SetClipboardText(Main(), "before the copy");
  TypeKeys({{'C', VK_CONTROL}});
  EXPECT_EQ(ClipboardText(Main()), path);

  Click(Window().DownloadButton);
  RunUntilIdle();
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "Boot successful finished");
  EXPECT_EQ(TextOf(Window().PathField), path);
  // The device holds the image of the file that the field shows.
  EXPECT_TRUE(FlashHoldsTheImage(*device_, *image_));
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
