// zentrel-loader.exe: the program on the machine's HID devices.
#include <windows.h>

#include "hid/win32/win32_hid_platform.h"
#include "protocol/clock.h"
#include "ui/win32/loader_program.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The command line and the show command are not used.
  zentrel::Win32HidPlatform platform;
  zentrel::SteadyClock clock;
  return zentrel::win32::RunLoader(instance, platform, clock);
}
