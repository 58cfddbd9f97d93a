#include "ui/win32/window_view.h"

#include <cstddef>

#include "ui/win32/image_file_dialog.h"
#include "ui/win32/settings_dialog.h"

namespace zentrel::win32 {

UINT MessageBoxIconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return MB_ICONERROR;
    case MessageIcon::Warning:
      return MB_ICONWARNING;
    case MessageIcon::Information:
      return MB_ICONINFORMATION;
  }
  return MB_ICONERROR;
}

void WindowView::SetStatusText(const char* text) {
  SetWindowTextA(window_.StatusBar, text);
}

void WindowView::ShowMessageBox(const char* text, const char* caption, MessageIcon icon) {
  // Modal: the timer keeps ticking inside the box's own message loop.
  MessageBoxA(window_.Window, text, caption, MB_OK | MessageBoxIconFlag(icon));
}

void WindowView::SetFieldText(ValueField field, const char* text) {
  SetWindowTextA(window_.Fields[static_cast<std::size_t>(field)], text);
}

void WindowView::EnableCommandButtons(bool enabled) {
  const BOOL enable = enabled ? TRUE : FALSE;
  EnableWindow(window_.OpenFileButton, enable);
  EnableWindow(window_.DownloadButton, enable);
  EnableWindow(window_.HwInfoButton, enable);
  EnableWindow(window_.AppFwButton, enable);
}

bool WindowView::ChooseImageFile(std::string& path) {
  char chosen[kPathChars];
  if (!win32::ChooseImageFile(window_.Window, chosen)) return false;
  path = chosen;
  return true;
}

void WindowView::SetPathText(const char* path) {
  // The edit notifies the window at once, which runs one Tick in here.
  SetWindowTextA(window_.PathField, path);
}

void WindowView::RunSettingsDialog() { win32::RunSettingsDialog(window_.Instance, window_.Window); }

void WindowView::CloseWindow() {
  // Sent, not posted: the window is gone when this returns.
  SendMessageA(window_.Window, WM_CLOSE, 0, 0);
}

void WindowView::StartTickTimer(unsigned periodMs) {
  // A failed timer is not noticed: commands still tick.
  SetTimer(window_.Window, kTickTimerId, periodMs, nullptr);
}

void WindowView::StopTickTimer() { KillTimer(window_.Window, kTickTimerId); }

}  // namespace zentrel::win32
