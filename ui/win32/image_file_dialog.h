// The open-file dialog of the OpenFile button.
#pragma once

#include <windows.h>

namespace zentrel::win32 {

// Room for the chosen path, the terminating zero included.
inline constexpr DWORD kPathChars = MAX_PATH;

// The dialog's filter: three description/pattern pairs, the first selected.
inline constexpr wchar_t kImageFileFilter[] =
    L"Morvex Memory Image Files (*.mvx)\0*.mvx\0"
    L"Intel Hex files (*.hex)\0*.hex\0"
    L"All files (*.*)\0*.*\0";

// OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST and nothing else.
inline constexpr DWORD kOpenFileFlags = 0x1800;

// 1 with the chosen full path in path (kPathChars bytes, in the 8-bit code
// page), 0 when the user cancels or the dialog fails; path is then
// untouched. A letter that the code page lacks comes as '?', never as a
// look-alike that could name another file.
int ChooseImageFile(HWND owner, char* path);

}  // namespace zentrel::win32
