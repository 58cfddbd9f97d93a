// The window's handles, and the sequencer's view realised on them.
#pragma once

#include <windows.h>

#include <array>

#include "sequencer/sequencer_view.h"

namespace zentrel::win32 {

struct MainWindow {
  HINSTANCE Instance = nullptr;
  HWND Window = nullptr;
  HWND PathField = nullptr;
  std::array<HWND, 6> Fields{};  // in ValueField order
  HWND OpenFileButton = nullptr;
  HWND DownloadButton = nullptr;
  HWND HwInfoButton = nullptr;
  HWND AppFwButton = nullptr;
  HWND StatusBar = nullptr;
};

class WindowView final : public SequencerView {
 public:
  explicit WindowView(const MainWindow& window) : window_(window) {}

  void SetStatusText(const char* text) override;
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override;
  void SetFieldText(ValueField field, const char* text) override;
  void EnableCommandButtons(bool enabled) override;

 private:
  const MainWindow& window_;
};

// MB_ICONERROR, MB_ICONWARNING or MB_ICONINFORMATION.
UINT MessageBoxIconFlag(MessageIcon icon);

}  // namespace zentrel::win32
