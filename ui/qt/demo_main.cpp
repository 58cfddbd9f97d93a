// zentrel-loader-demo: the desktop program on an emulated boot loader, so
// that the window can be tried without hardware.
#include <QApplication>

#include "hid/device_access.h"
#include "hid/emulated/emulated_bus.h"
#include "image/image_store.h"
#include "sequencer/clock.h"
#include "sequencer/device_ids.h"
#include "ui/qt/demo_device.h"
#include "ui/qt/main_window.h"

int main(int argc, char** argv) {
  int qtArgc = argc > 0 ? 1 : 0;
  QApplication app(qtArgc, argv);

  static zentrel::ImageStore image;
  zentrel::DeviceIds ids;
  zentrel::SteadyClock clock;
  zentrel::emulated::EmulatedBus bus(clock);
  bus.AddBootLoader(zentrel::qt::DemoBootLoaderConfig());
  zentrel::DeviceAccess device(bus);

  zentrel::qt::MainWindow window(device, image, ids, clock);
  window.show();
  app.exec();
  return 0;
}
