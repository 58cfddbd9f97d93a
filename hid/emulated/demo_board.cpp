#include "hid/emulated/demo_board.h"

namespace zentrel::emulated {

BootLoaderConfig DemoBoard() {
  BootLoaderConfig config;
  // Starts as a running application, so that Application FW answers and
  // DownLoad shows the reset into the boot loader.
  config.StartInBootLoader = false;
  // Feels like a full-speed USB device, erase and page programming included.
  config.Latency = LatencyProfile::FullSpeed();
  return config;
}

}  // namespace zentrel::emulated
