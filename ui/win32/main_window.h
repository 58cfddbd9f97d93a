// The program's only top-level window. Its procedure routes the timer, the
// four buttons, the menu, the path field's notifications and the close to the
// controller, and paints the captions.
#pragma once

#include <windows.h>

#include "hid/hid_platform.h"
#include "protocol/clock.h"
#include "ui/loader_controller.h"
#include "ui/win32/window_view.h"

namespace zentrel::win32 {


// The window's handles, its realisation of the controller's window, and the
// controller with the records of the run; the window procedure and the
// settings dialog reach it through the window.
struct LoaderContext {
  LoaderContext(HidPlatform& platform, const Clock& clock)
      : View(Window), Controller(View, platform, clock) {}

  MainWindow Window;
  WindowView View;
  LoaderController Controller;
};

// Creates the window class, the window and its controls, and opens the
// controller (the tick timer and the first Tick). 1 on success, 0 at the first failure
// (nothing created so far is destroyed). Window.Instance must be set.
int CreateMainWindow(LoaderContext& context);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The context that CreateMainWindow attached to a main window, or nullptr.
LoaderContext* ContextOf(HWND mainWindow);

}  // namespace zentrel::win32
