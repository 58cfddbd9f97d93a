#include "ui/win32/image_file_dialog.h"

#include <commdlg.h>

#include <cstring>

namespace zentrel::win32 {

int ChooseImageFile(HWND owner, char* path) {
  char chosen[kPathChars] = "";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kImageFileFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = kPathChars;
  dialog.Flags = kOpenFileFlags;
  if (!GetOpenFileNameA(&dialog)) return 0;
  chosen[kPathChars - 1] = 0;
  std::memcpy(path, chosen, kPathChars);
  return 1;
}

}  // namespace zentrel::win32
