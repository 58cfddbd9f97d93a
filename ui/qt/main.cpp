// zentrel-loader: the desktop program on the HID devices of this machine.
#include <QApplication>

#include "hid/device_access.h"
#include "hid/hidapi/hidapi_platform.h"
#include "image/image_store.h"
#include "sequencer/clock.h"
#include "sequencer/device_ids.h"
#include "ui/qt/main_window.h"

int main(int argc, char** argv) {
  // The program takes no arguments: only the program name reaches Qt.
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);

  // The single records of the run. The image store's buffers are large, so
  // it lives with the other records here rather than on a small stack.
  static zentrel::ImageStore image;
  zentrel::DeviceIds ids;
  zentrel::SteadyClock clock;
  zentrel::HidapiPlatform platform;
  zentrel::DeviceAccess device(platform);

  zentrel::qt::MainWindow window(device, image, ids, clock);
  window.show();
  app.exec();
  return 0;
}
