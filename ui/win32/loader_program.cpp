#include "ui/win32/loader_program.h"

#include "ui/win32/main_window.h"

namespace zentrel::win32 {

int RunMessageLoop(MessageFetch fetch) {
  MSG message{};
  BOOL fetched;
  // Only a positive result is a message: -1 is a failed fetch, which would
  // come again and again if it were dispatched.
  while ((fetched = fetch(&message, nullptr, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return fetched == 0 ? static_cast<int>(message.wParam) : 0;
}

int RunLoader(HINSTANCE instance, HidPlatform& platform, const Clock& clock) {
  // The controller's records start fresh: the sequencer Idle, no image loaded.
  LoaderContext context(platform, clock);
  context.Window.Instance = instance;
  if (!CreateMainWindow(context)) return 0;
  return RunMessageLoop();
}

}  // namespace zentrel::win32
