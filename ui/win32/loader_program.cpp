#include "ui/win32/loader_program.h"

#include "hid/device_access.h"
#include "image/image_store.h"
#include "sequencer/device_ids.h"
#include "ui/win32/main_window.h"

namespace zentrel::win32 {

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

int RunLoader(HINSTANCE instance, HidPlatform& platform, const Clock& clock) {
  // The two 260000-byte buffers are too big for the stack; one store per run.
  static ImageStore image;
  DeviceAccess device(platform);
  DeviceIds ids;
  LoaderContext context(device, image, ids, clock);
  context.Sequencer.SequencerState = Idle;
  image.ImageLoaded = 0;
  context.Window.Instance = instance;
  if (!CreateMainWindow(context)) return 0;
  return RunMessageLoop();
}

}  // namespace zentrel::win32
