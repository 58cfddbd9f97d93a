// The communication settings dialog (resource 103): the vendor and product
// IDs that the next search for the device uses, for this run only.
#pragma once

#include <windows.h>

namespace zentrel::win32 {

// Characters of an edit that count, and the buffer that holds them.
inline constexpr int kIdEditBufferChars = 10;

// Runs the dialog modally, owned by the main window (whose context holds the
// DeviceIds); returns when OK has ended it.
void RunSettingsDialog(HINSTANCE instance, HWND mainWindow);

// 0 for every message; the dialog manager does the rest.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                    LPARAM lParam);

}  // namespace zentrel::win32
