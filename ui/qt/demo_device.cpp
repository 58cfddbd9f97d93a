#include "ui/qt/demo_device.h"

namespace zentrel::qt {

emulated::BootLoaderConfig DemoBootLoaderConfig() {
  emulated::BootLoaderConfig config;
  // Starts as a running application, so that Application FW answers and
  // DownLoad shows the reset into the boot loader.
  config.StartInBootLoader = false;
  // Feels like a full-speed USB device, erase and page programming included.
  config.Latency = emulated::LatencyProfile::FullSpeed();
  return config;
}

}  // namespace zentrel::qt
