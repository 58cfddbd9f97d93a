// The program's entry behind main, shared by the device program and the
// demo: the records of the run, the main window and the event loop.
#pragma once

#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::qt {

// Builds the records of the run over the given HID platform, shows the main
// window and runs the event loop until it is closed. Arguments are ignored;
// the exit code is 0.
int RunLoader(int argc, char** argv, HidPlatform& platform, const Clock& clock);

}  // namespace zentrel::qt
