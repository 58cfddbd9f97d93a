#include "ui/win32/image_file_dialog.h"

#include <commdlg.h>

#include <cstring>

namespace zentrel::win32 {

int ChooseImageFile(HWND owner, char* path) {
  // The 8-bit dialog would spell a letter that the code page lacks by its
  // nearest one (č as c), so the read could open another file than the one
  // chosen. The path is taken in full and narrowed here without such
  // guesses: what cannot be spelled becomes '?', which no file name holds,
  // and the read then fails.
  wchar_t chosen[kPathChars] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kImageFileFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = kPathChars;
  dialog.Flags = kOpenFileFlags;
  if (!GetOpenFileNameW(&dialog)) return 0;
  chosen[kPathChars - 1] = 0;
  char narrow[kPathChars];
  if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, chosen, -1, narrow, kPathChars, "?",
                          nullptr) == 0) {
    return 0;
  }
  std::memcpy(path, narrow, kPathChars);
  return 1;
}

}  // namespace zentrel::win32
