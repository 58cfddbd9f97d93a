// The window's handles, and the controller's window realised on them.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "ui/loader_window.h"

namespace zentrel::win32 {

// The main window's one timer.
inline constexpr UINT_PTR kTickTimerId = 1;

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

class WindowView final : public LoaderWindow {
 public:
  explicit WindowView(const MainWindow& window) : window_(window) {}

  void SetStatusText(const char* text) override;
  void ShowMessageBox(const char* text, const char* caption, MessageIcon icon) override;
  void SetFieldText(ValueField field, const char* text) override;
  void EnableCommandButtons(bool enabled) override;
  bool ChooseImageFile(std::string& path) override;
  void SetPathText(const char* path) override;
  void RunSettingsDialog() override;
  void CloseWindow() override;
  void StartTickTimer(unsigned periodMs) override;
  void StopTickTimer() override;

 private:
  const MainWindow& window_;
};

// MB_ICONERROR, MB_ICONWARNING or MB_ICONINFORMATION.
UINT MessageBoxIconFlag(MessageIcon icon);

}  // namespace zentrel::win32
