// The program's entry behind WinMain, shared by the device program and the
// demo: the records of the run, the main window and the message loop.
#pragma once

#include <windows.h>

#include "hid/hid_platform.h"
#include "sequencer/clock.h"

namespace zentrel::win32 {

// Builds the records of the run over the given HID platform, creates the main
// window and runs the message loop. Returns the quit message's code, or 0
// when the window could not be created.
int RunLoader(HINSTANCE instance, HidPlatform& platform, const Clock& clock);

// Fetches, translates and dispatches until the quit message; its code.
int RunMessageLoop();

}  // namespace zentrel::win32
