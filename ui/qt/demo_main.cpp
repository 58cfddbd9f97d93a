// zentrel-loader-demo: the desktop program on an emulated boot loader, so
// that the window can be tried without hardware.
#include "hid/emulated/demo_board.h"
#include "hid/emulated/emulated_bus.h"
#include "protocol/clock.h"
#include "ui/qt/loader_program.h"

int main(int argc, char** argv) {
  zentrel::SteadyClock clock;
  zentrel::emulated::EmulatedBus bus(clock);
  bus.AddBootLoader(zentrel::emulated::DemoBoard());
  return zentrel::qt::RunLoader(argc, argv, bus, clock);
}
