#include "ui/qt/loader_program.h"

#include <QApplication>

#include "hid/device_access.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"
#include "ui/qt/main_window.h"

namespace zentrel::qt {

int RunLoader(int argc, char** argv, HidPlatform& platform, const Clock& clock) {
  // The program takes no arguments: only the program name reaches Qt.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);

  // The single records of the run. The image store's buffers are large, so
  // it lives with the other records here rather than on a small stack.
  static ImageStore image;
  DeviceIds ids;
  DeviceAccess device(platform);

  MainWindow window(device, image, ids, clock);
  window.show();
  app.exec();
  return 0;
}

}  // namespace zentrel::qt
