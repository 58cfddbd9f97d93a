#include "tests/win32/loader_window_harness.h"

#include "ui/win32/win32_window_texts.h"

namespace zentrel::win32::testing {
namespace {

// Dispatches what is queued for this thread.
void DispatchPending() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Left for the test to find, once the rest is dispatched.
      DispatchPending();
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Left click at a point of the screen, as the mouse gives it; the window
// found there must be expected.
void ClickAt(POINT point, HWND expected) {
  ASSERT_EQ(WindowFromPoint(point), expected);
  SendLeftClick(point);
  DispatchPending();
}

}  // namespace

LoaderWindowTest::~LoaderWindowTest() {
  if (context_ != nullptr && IsWindow(Main())) DestroyWindow(Main());
  UnregisterClassA(kMainClassName, GetModuleHandleA(nullptr));
  // The quit message of the destroyed window must not reach the next test.
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
  }
}

void LoaderWindowTest::SetUp() {
  emulated::BootLoaderConfig instant;
  instant.Latency = emulated::LatencyProfile::Instant();
  device_ = &bus_.AddBootLoader(instant);
  context_ = std::make_unique<LoaderContext>(platform_.Seam(), clock_);
  context_->Window.Instance = GetModuleHandleA(nullptr);
  ASSERT_EQ(CreateMainWindow(*context_), 1);
  // The window ran with a 10 ms timer; from here on the test's ticks alone.
  ASSERT_TRUE(KillTimer(Main(), kTickTimerId));
}

void LoaderWindowTest::Click(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  ClickAt({(r.left + r.right) / 2, (r.top + r.bottom) / 2}, control);
}

void LoaderWindowTest::ClickCloseBox() {
  // The close box is where the window's hit-testing answers HTCLOSE: along
  // the middle of the caption, from the right edge inwards.
  RECT frame;
  GetWindowRect(Main(), &frame);
  const int y = frame.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  auto hit = [&](int x) { return SendMessageA(Main(), WM_NCHITTEST, 0, MAKELPARAM(x, y)); };
  int right = frame.right - 1;
  while (right > frame.left && hit(right) != HTCLOSE) --right;
  int left = right;
  while (left > frame.left && hit(left - 1) == HTCLOSE) --left;
  ASSERT_EQ(hit(right), HTCLOSE);
  ClickAt({(left + right) / 2, y}, Main());
}

void TypeKeys(std::initializer_list<Key> keys) {
  std::vector<INPUT> events;
  auto add = [&events](WORD key, bool up) {
    INPUT event{};
    event.type = INPUT_KEYBOARD;
    event.ki.wVk = key;
    event.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    event.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    events.push_back(event);
  };
  for (const Key& key : keys) {
    if (key.Modifier != 0) add(key.Modifier, false);
    add(key.VirtualKey, false);
    add(key.VirtualKey, true);
    if (key.Modifier != 0) add(key.Modifier, true);
  }
  const auto count = static_cast<UINT>(events.size());
  EXPECT_EQ(SendInput(count, events.data(), sizeof(INPUT)), count);
  DispatchPending();
}

void LoaderWindowTest::Tick() {
  SendMessageA(Main(), WM_TIMER, kTickTimerId, 0);
  clock_.AdvanceUs(10'000);
}

void LoaderWindowTest::OpenFile(const std::string& windowsPath) {
  answerer_.FileToChoose = windowsPath;
  Click(Window().OpenFileButton);
  answerer_.FileToChoose.clear();
}

bool LoaderWindowTest::ButtonsEnabled() const {
  const MainWindow& w = Window();
  return IsWindowEnabled(w.OpenFileButton) && IsWindowEnabled(w.DownloadButton) &&
         IsWindowEnabled(w.HwInfoButton) && IsWindowEnabled(w.AppFwButton);
}

}  // namespace zentrel::win32::testing
