// The open-file dialog of the OpenFile button.
#pragma once

#include <windows.h>

namespace zentrel::win32 {

// Room for the chosen path, the terminating zero included.
inline constexpr DWORD kPathChars = MAX_PATH;

// The dialog's filter: three description/pattern pairs, the first selected.
inline constexpr char kImageFileFilter[] =
    "Morvex Memory Image Files (*.mvx)\0*.mvx\0"
    "Intel Hex files (*.hex)\0*.hex\0"
    "All files (*.*)\0*.*\0";

// OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST and nothing else.
inline constexpr DWORD kOpenFileFlags = 0x1800;

// 1 with the chosen full path in path (kPathChars bytes), 0 when the user
// cancels or the dialog fails; path is then untouched.
int ChooseImageFile(HWND owner, char* path);

}  // namespace zentrel::win32
