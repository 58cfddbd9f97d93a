#include "ui/win32/loader_program.h"

#include "hid/device_access.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"
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
  // The two 260000-byte buffers are too big for the stack; one store per run.
  static ImageStore image;
  DeviceAccess device(platform);
  DeviceIds ids;
  LoaderContext context(device, image, ids, clock);
  context.Sequencer.SequencerState() = Idle;
  image.ImageLoaded = 0;
  context.Window.Instance = instance;
  if (!CreateMainWindow(context)) return 0;
  return RunMessageLoop();
}

}  // namespace zentrel::win32
