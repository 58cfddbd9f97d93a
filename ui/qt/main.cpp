// zentrel-loader: the desktop program on the HID devices of this machine.
#include "hid/hidapi/hidapi_platform.h"
#include "protocol/clock.h"
#include "ui/qt/loader_program.h"

int main(int argc, char** argv) {
  zentrel::SteadyClock clock;
  zentrel::HidapiPlatform platform;
  return zentrel::qt::RunLoader(argc, argv, platform, clock);
}
