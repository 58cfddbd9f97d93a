// zentrel-loader-demo.exe: the same program on an emulated boot loader, so
// that the window can be tried without hardware.
#include <windows.h>

#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"
#include "ui/win32/loader_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  zentrel::SteadyClock clock;
  zentrel::emulated::EmulatedBus bus(clock);
  zentrel::emulated::BootLoaderConfig config;
  // A running application at first, so that Application FW answers and
  // DownLoad shows the reset into the boot loader; full-speed USB timing.
  config.StartInBootLoader = false;
  config.Latency = zentrel::emulated::LatencyProfile::FullSpeed();
  bus.AddBootLoader(config);
  return zentrel::win32::RunLoader(instance, bus, clock);
}
