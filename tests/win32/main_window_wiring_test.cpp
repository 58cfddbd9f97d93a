// What the user does with the real window reaches the controller: each
// button, each menu item and the close box, shown through the window's own
// controls and boxes. What the roads do is the controller's, tested without
// a toolkit.
#include <cstring>

#include "sequencer/boot_sequencer.h"
#include "tests/win32/loader_window_harness.h"
#include "ui/win32/resource_ids.h"

namespace zentrel::win32::testing {
namespace {

using enum SequencerStage;

using WiringTest = LoaderWindowTest;

const std::string kCleared(30, ' ');

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

// The click starts the road (no tick yet), clears the road's field and
// disables the buttons; the next tick's status text shows. The rest of the
// road is the controller's (its own test runs it); the window only shows the
// buttons given back, here after the information road.
struct RoadButton {
  HWND MainWindow::*Button;
  SequencerStage State;
  int Cleared;
  const char* Status;
};

class StartsItsRoad : public LoaderWindowTest, public ::testing::WithParamInterface<RoadButton> {};

TEST_P(StartsItsRoad, HwInfoAndApplicationFw) {
  const RoadButton& row = GetParam();
  Click(Window().*row.Button);
  EXPECT_EQ(Controller().Sequencer().SequencerState(), row.State);
  EXPECT_FALSE(ButtonsEnabled());
  EXPECT_EQ(TextOf(Window().Fields[row.Cleared]), kCleared);
  Tick();
  EXPECT_EQ(Status(), row.Status);
  if (row.Button != &MainWindow::HwInfoButton) return;
  ASSERT_TRUE(TickUntil(Idle));
  Tick();
  EXPECT_TRUE(ButtonsEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, StartsItsRoad,
    ::testing::Values(RoadButton{&MainWindow::HwInfoButton, ResetDevice, 0,
                                 "HID device reset finished"},
                      RoadButton{&MainWindow::AppFwButton, AppRequest, 3,
                                 "Application ID request OK"}));

TEST_F(WiringTest, DownloadWithoutAFileShowsTheWarningBox) {
  Click(Window().DownloadButton);
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "File is not selected, select file please");
  EXPECT_EQ(boxes[0].Caption, "File info");
  EXPECT_EQ(boxes[0].Icon, static_cast<UINT>(MB_ICONWARNING));
  EXPECT_EQ(device_->ResetCount(), 0);
}

TEST_F(WiringTest, AboutAndSettingsRunTheirWindowThenOneTick) {
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

// The file chosen through OpenFile's dialog shows in the path field. Taking
// the field's focus ticks once; keys typed, edited, pasted and cut change
// nothing and notify nothing; its path can be copied.
TEST_F(WiringTest, TheChosenPathShowsInAFieldThatRefusesTheKeys) {
  Click(Window().OpenFileButton);  // cancelled
  ASSERT_EQ(answerer_.Seen.size(), 1u);
  EXPECT_EQ(answerer_.Seen[0].Kind, DialogKind::OpenFile);
  EXPECT_EQ(TextOf(Window().PathField), "");
  EXPECT_EQ(Controller().Image().ImageLoaded, 0);
  const std::string path = ExamplePath("demo.mvx");
  OpenFile(path);
  EXPECT_EQ(TextOf(Window().PathField), path);
  EXPECT_EQ(Controller().Image().ImageLoaded, 1);

  Click(Window().HwInfoButton);
  Tick();
  ASSERT_EQ(Controller().Sequencer().SequencerState(), ResetDelay);
  const std::int32_t before = Controller().Sequencer().TickCounter();
  Click(Window().PathField);
  ASSERT_EQ(GetFocus(), Window().PathField);
  EXPECT_EQ(Controller().Sequencer().TickCounter(), before - 1);

  SetClipboardText(Main(), "Z:\\tmp\\pasted.hex");
  TypeKeys({{'O'}, {'T'}, {'H'}, {'E'}, {'R'}, {VK_BACK}, {VK_HOME}, {VK_DELETE},
            {'V', VK_CONTROL}});
  EXPECT_EQ(TextOf(Window().PathField), path);
  TypeKeys({{VK_HOME}, {VK_END, VK_SHIFT}, {'X', VK_CONTROL}});
  EXPECT_EQ(TextOf(Window().PathField), path);
  EXPECT_EQ(Controller().Sequencer().TickCounter(), before - 1);
  EXPECT_EQ(Controller().Sequencer().SequencerState(), ResetDelay);

  DWORD from = 1;
  DWORD to = 0;
  SendMessageA(Window().PathField, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
               reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, path.size());
  SetClipboardText(Main(), "before the copy");
  TypeKeys({{'C', VK_CONTROL}});
  EXPECT_EQ(ClipboardText(Main()), path);
  // What was loaded is the file the field shows.
  EXPECT_EQ(Controller().Image().ImageKind, 'm');
  EXPECT_TRUE(answerer_.Boxes().empty());
}

// A file whose name the 8-bit code page cannot spell is never taken for the
// file that its nearest spelling names: chosen "āpp.hex" beside "app.hex",
// the window tells that it cannot read it and loads nothing.
TEST_F(WiringTest, ANameTheCodePageCannotSpellNeverLoadsItsLookAlike) {
  BOOL guessed = FALSE;
  char spelled = 0;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, L"\u0101", 1, &spelled, 1, nullptr, &guessed);
  if (!guessed) GTEST_SKIP() << "this code page has the letter a with macron";
  char temp[MAX_PATH] = "";
  ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
  const std::string folder = temp;
  const std::wstring files[2] = {std::wstring(folder.begin(), folder.end()) + L"\u0101pp.hex",
                                 std::wstring(folder.begin(), folder.end()) + L"app.hex"};
  const char* texts[2] = {":0400100001020304E2\r\n:00000001FF\r\n",
                          ":0400100005060708D2\r\n:00000001FF\r\n"};
  for (int i = 0; i < 2; ++i) {
    HANDLE file =
        CreateFileW(files[i].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    WriteFile(file, texts[i], static_cast<DWORD>(std::strlen(texts[i])), &wrote, nullptr);
    CloseHandle(file);
  }

  OpenFile(folder + "\xC4\x81pp.hex");
  for (const std::wstring& file : files) DeleteFileW(file.c_str());
  EXPECT_EQ(TextOf(Window().PathField), folder + "?pp.hex");
  const auto boxes = answerer_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].Text, "File read error");
  EXPECT_EQ(Controller().Image().ImageLoaded, 0);
}

}  // namespace
}  // namespace zentrel::win32::testing
