// The program's entry behind WinMain, shared by the device program and the
// demo: the records of the run, the main window and the message loop.
#pragma once

#include <windows.h>

#include "hid/hid_platform.h"
#include "protocol/clock.h"

namespace zentrel::win32 {

// Builds the records of the run over the given HID platform, creates the main
// window and runs the message loop. Returns the quit message's code, or 0
// when the window could not be created.
int RunLoader(HINSTANCE instance, HidPlatform& platform, const Clock& clock);

// How the loop fetches the thread's next message: GetMessageA's form.
using MessageFetch = BOOL(WINAPI*)(LPMSG message, HWND window, UINT first, UINT last);

// Fetches, translates and dispatches until the quit message and returns its
// code; 0 when the fetch fails (-1), since no quit message came.
int RunMessageLoop(MessageFetch fetch = &GetMessageA);

}  // namespace zentrel::win32
