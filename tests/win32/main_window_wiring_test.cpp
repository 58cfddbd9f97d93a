// What the user does with the real window reaches the controller: each
// button, each menu item and the close box, shown through the window's own
// controls and boxes. What the roads do is the controller's, tested without
// a toolkit.
#include "sequencer/boot_sequencer.h"
#include "tests/win32/loader_window_harness.h"
#include "ui/win32/resource_ids.h"

namespace zentrel::win32::testing {
namespace {

using WiringTest = LoaderWindowTest;

const std::string kCleared(30, ' ');

// The click starts the road (no tick yet), clears the road's fields and
// disables the buttons; the next tick's status text shows.
TEST_F(WiringTest, HwInfoStartsTheInformationRoad) {
  Start();
  Click(Window().HwInfoButton);
  EXPECT_EQ(Controller().Sequencer().SequencerState(), ResetDevice);
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(TextOf(Window().Fields[0]), kCleared);
  EXPECT_EQ(TextOf(Window().Fields[3]), "");
  Tick();
  EXPECT_EQ(Status(), "HID device reset finished");
  // Back in Idle, the next tick gives the buttons back.
  ASSERT_TRUE(TickUntil(Idle));
  Tick();
  EXPECT_TRUE(ButtonsEnabled());
}

TEST_F(WiringTest, ApplicationFwStartsTheApplicationRoad) {
  Start();
  Click(Window().AppFwButton);
  EXPECT_EQ(Controller().Sequencer().SequencerState(), AppRequest);
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(TextOf(Window().Fields[3]), kCleared);
  EXPECT_EQ(TextOf(Window().Fields[0]), "");
  Tick();
  EXPECT_EQ(Status(), "Application ID request OK");
}

TEST_F(WiringTest, DownloadWithoutAFileShowsTheWarningBox) {
  Start();
  Click(Window().DownloadButton);
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "File is not selected, select file please");
  EXPECT_EQ(boxes[0].Caption, "File info");
  EXPECT_EQ(boxes[0].Icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(device_->ResetCount(), 0);
}

TEST_F(WiringTest, OpenFileShowsTheDialogAndTheChosenPath) {
  Start();
  Click(Window().OpenFileButton);  // cancelled
  ASSERT_EQ(answerer_.Seen.size(), 1u);
  EXPECT_EQ(answerer_.Seen[0].Kind, DialogKind::OpenFile);
  EXPECT_EQ(TextOf(Window().PathField), "");
  EXPECT_EQ(Controller().Image().ImageLoaded, 0);

  const std::string path = ExamplePath("demo.mvx");
  OpenFile(path);
  EXPECT_EQ(TextOf(Window().PathField), path);
  EXPECT_EQ(Controller().Image().ImageLoaded, 1);
  EXPECT_TRUE(answerer_.Boxes().empty());
}

TEST_F(WiringTest, AboutAndSettingsRunTheirWindowThenOneTick) {
  Start();
  Click(Window().HwInfoButton);
  Tick();
  ASSERT_EQ(Controller().Sequencer().SequencerState(), ResetDelay);
  const std::int32_t before = Controller().Sequencer().TickCounter();

  Menu(ZENTREL_CMD_ABOUT);
  ASSERT_EQ(answerer_.Seen.size(), 1u);
  EXPECT_EQ(answerer_.Seen[0].Kind, DialogKind::MessageBox);
  EXPECT_EQ(answerer_.Seen[0].Caption, "About ");
  EXPECT_EQ(answerer_.Seen[0].Text.rfind("Zentrel loader\n", 0), 0u);
  EXPECT_EQ(answerer_.Seen[0].Icon, static_cast<UINT>(MB_ICONINFORMATION));
  EXPECT_EQ(Controller().Sequencer().TickCounter(), before - 1);

  Menu(ZENTREL_CMD_SETTINGS);
  ASSERT_EQ(answerer_.Seen.size(), 2u);
  EXPECT_EQ(answerer_.Seen[1].Kind, DialogKind::Settings);
  EXPECT_EQ(Controller().Sequencer().TickCounter(), before - 2);
}

TEST_F(WiringTest, KonecDestroysTheWindowAndQuitsWithZero) {
  Start();
  Menu(ZENTREL_CMD_EXIT);
  EXPECT_FALSE(IsWindow(Main()));
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

// The close box while the pages go out and the path field has the focus:
// the device is closed, and nothing reaches it after that, neither the path
// field's leaving focus nor a late timer event.
TEST_F(WiringTest, TheCloseBoxDuringADownloadClosesTheDeviceAndQuitsWithZero) {
  Start();
  OpenFile(ExamplePath("demo.mvx"));
  Click(Window().DownloadButton);
  Click(Window().PathField);  // its focus runs a Tick
  ASSERT_EQ(GetFocus(), Window().PathField);
  ASSERT_TRUE(TickUntil(WritePacket));
  ASSERT_TRUE(Controller().Device().IsOpen());
  const int calls = platform_.Calls();
  ClickCloseBox();
  EXPECT_FALSE(IsWindow(Main()));
  EXPECT_FALSE(Controller().Device().IsOpen());
  EXPECT_EQ(bus_.OpenHandleCount(), 0u);
  EXPECT_EQ(platform_.Calls(), calls + 1);
  SendMessageA(Main(), WM_TIMER, kTickTimerId, 0);
  EXPECT_EQ(platform_.Calls(), calls + 1);
  EXPECT_EQ(Controller().Sequencer().Outcome().Failure, FailureKind::Stopped);
  EXPECT_TRUE(answerer_.Boxes().empty());
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
}

}  // namespace
}  // namespace zentrel::win32::testing
