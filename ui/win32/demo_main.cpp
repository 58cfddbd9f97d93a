// zentrel-loader-demo.exe: the same program on an emulated boot loader, so
// that the window can be tried without hardware.
#include <windows.h>

#include "hid/emulated/demo_board.h"
#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"
#include "ui/win32/loader_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  zentrel::SteadyClock clock;
  zentrel::emulated::EmulatedBus bus(clock);
  bus.AddBootLoader(zentrel::emulated::DemoBoard());
  return zentrel::win32::RunLoader(instance, bus, clock);
}
