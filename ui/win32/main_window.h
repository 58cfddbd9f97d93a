// The program's only top-level window. Its procedure turns timer events into
// Ticks, routes the four buttons and the menu, paints the captions, and
// closes the device when the window is closed during a conversation.
#pragma once

#include <windows.h>

#include <array>

#include "hid/device_access.h"
#include "image/image_store.h"
#include "sequencer/boot_sequencer.h"
#include "protocol/clock.h"
#include "protocol/device_ids.h"
#include "ui/win32/window_view.h"

namespace zentrel::win32 {

inline constexpr UINT_PTR kTickTimerId = 1;
inline constexpr UINT kTickPeriodMs = 10;

// The records of one run that the window procedure and the settings dialog
// reach through the window.
struct LoaderContext {
  LoaderContext(DeviceAccess& device, ImageStore& image, DeviceIds& ids,
                const Clock& clock)
      : View(Window), Device(device), Image(image), Ids(ids),
        Sequencer(View, device, image, ids, clock) {}

  MainWindow Window;
  WindowView View;
  DeviceAccess& Device;
  ImageStore& Image;
  DeviceIds& Ids;
  BootSequencer Sequencer;
  // Set when the main window is closed (and when it is destroyed without a
  // close): no Tick may run after it, since the device has been closed and
  // every stage may touch a control.
  bool Closed = false;
};

// Creates the window class, the window and its controls, starts the tick
// timer and runs the first Tick. 1 on success, 0 at the first failure
// (nothing created so far is destroyed). Window.Instance must be set.
int CreateMainWindow(LoaderContext& context);

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The context that CreateMainWindow attached to a main window, or nullptr.
LoaderContext* ContextOf(HWND mainWindow);

}  // namespace zentrel::win32
