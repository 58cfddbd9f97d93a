#include "ui/win32/load_image_file.h"

#include <commdlg.h>

#include <cstring>

#include "image/image_loader.h"

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

void LoadImageFile(HWND owner, HWND pathField, ImageStore& store, SequencerView& view) {
  char path[kPathChars];
  if (!ChooseImageFile(owner, path)) return;
  // The edit notifies the window at once, which runs one Tick in here.
  SetWindowTextA(pathField, path);
  LoadImageFromPath(store, path, view);
}

}  // namespace zentrel::win32
