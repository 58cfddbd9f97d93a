#include "ui/win32/main_window.h"

#include <commctrl.h>

#include <cstring>

#include "ui/win32/resource_ids.h"
#include "ui/win32/win32_window_layout.h"
#include "ui/win32/win32_window_texts.h"

namespace zentrel::win32 {
namespace {

void PaintCaptions(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  for (const WindowCaption& caption : kCaptions) {
    // No box behind the letters: the window's face shows through.
    SetBkMode(dc, TRANSPARENT);
    TextOutA(dc, caption.X, caption.Y, caption.Text,
             static_cast<int>(std::strlen(caption.Text)));
  }
  EndPaint(window, &paint);
}


void OnCommand(LoaderContext& context, WPARAM wParam, LPARAM lParam) {
  LoaderController& controller = context.Controller;
  switch (LOWORD(wParam)) {
    case ZENTREL_CMD_EXIT:
      controller.Choose(MenuItem::Exit);
      return;
    case ZENTREL_CMD_SETTINGS:
      controller.Choose(MenuItem::Settings);
      return;
    case ZENTREL_CMD_ABOUT:
      controller.Choose(MenuItem::About);
      return;
    default:
      break;
  }
  // Buttons carry no identifiers: their handle tells them apart.
  const auto source = reinterpret_cast<HWND>(lParam);
  const MainWindow& w = context.Window;
  if (source != nullptr && source == w.OpenFileButton) {
    controller.Press(CommandButton::OpenFile);
  } else if (source != nullptr && source == w.DownloadButton) {
    controller.Press(CommandButton::Download);
  } else if (source != nullptr && source == w.HwInfoButton) {
    controller.Press(CommandButton::HwInfo);
  } else if (source != nullptr && source == w.AppFwButton) {
    controller.Press(CommandButton::AppFw);
  } else {
    // The path field's notifications.
    controller.OnOtherCommand();
  }
}

HWND CreateChild(const ChildControl& control, HWND parent, HINSTANCE instance) {
  return CreateWindowExA(control.ExStyle, control.ClassName, control.Text,
                         WS_CHILD | WS_VISIBLE | control.Style, control.Rect.X, control.Rect.Y,
                         control.Rect.Width, control.Rect.Height, parent, nullptr, instance, nullptr);
}

HWND* ChildSlot(MainWindow& w, int index) {
  if (index == kPathFieldIndex) return &w.PathField;
  if (index >= kFirstValueFieldIndex && index < kFirstValueFieldIndex + 6) {
    return &w.Fields[static_cast<std::size_t>(index - kFirstValueFieldIndex)];
  }
  switch (index) {
    case kOpenFileButtonIndex:
      return &w.OpenFileButton;
    case kDownloadButtonIndex:
      return &w.DownloadButton;
    case kHwInfoButtonIndex:
      return &w.HwInfoButton;
    case kAppFwButtonIndex:
      return &w.AppFwButton;
    default:
      return &w.StatusBar;
  }
}

}  // namespace

LoaderContext* ContextOf(HWND mainWindow) {
  return reinterpret_cast<LoaderContext*>(GetWindowLongPtrA(mainWindow, GWLP_USERDATA));
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* created = static_cast<LoaderContext*>(create->lpCreateParams);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    if (created != nullptr) created->Window.Window = window;
  }
  LoaderContext* context = ContextOf(window);
  if (context != nullptr) {
    switch (message) {
      case WM_PAINT:
        PaintCaptions(window);
        break;
      case WM_CLOSE:
        // The default handling destroys the window next; on the way the
        // focused path field reports losing focus, which the closed
        // controller ignores.
        context->Controller.Close();
        break;
      case WM_DESTROY:
        // Also when destroyed without a close: nothing may run after it.
        context->Controller.Close();
        PostQuitMessage(0);
        break;
      case WM_COMMAND:
        OnCommand(*context, wParam, lParam);
        break;
      case WM_TIMER:
        context->Controller.OnTimer();
        break;
      default:
        break;
    }
  }
  // Every message, handled or not, ends in the default procedure.
  return DefWindowProcA(window, message, wParam, lParam);
}

int CreateMainWindow(LoaderContext& context) {
  MainWindow& w = context.Window;

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES;
  if (!InitCommonControlsEx(&controls)) return 0;

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = w.Instance;
  windowClass.hIcon = LoadIconA(w.Instance, MAKEINTRESOURCEA(ZENTREL_ICON));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(ZENTREL_MENU);
  windowClass.lpszClassName = kMainClassName;
  if (RegisterClassExA(&windowClass) == 0) return 0;

  w.Window = CreateWindowExA(0, kMainClassName, kWindowTitle, kMainWindowStyle,
                             kWindowX, kWindowY, kWindowWidth,
                             kWindowHeight, nullptr, nullptr, w.Instance, &context);
  if (w.Window == nullptr) return 0;

  for (int i = 0; i < kChildCount; ++i) {
    HWND child = CreateChild(kChildControls[i], w.Window, w.Instance);
    if (child == nullptr) return 0;
    *ChildSlot(w, i) = child;
  }

  const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
  for (int i = 0; i < kStatusBarIndex; ++i) {
    SendMessageA(*ChildSlot(w, i), WM_SETFONT, font, 1);
  }

  context.Controller.Open();
  return 1;
}

}  // namespace zentrel::win32
