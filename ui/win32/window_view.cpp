#include "ui/win32/window_view.h"

#include <cstddef>

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

}  // namespace zentrel::win32
