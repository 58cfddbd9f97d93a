// The main window's frame and its twelve child controls, in creation order,
// in pixels of the client area.
#pragma once

#include <windows.h>

namespace zentrel::win32 {

inline constexpr DWORD kMainWindowStyle = WS_VISIBLE | WS_SYSMENU;
inline constexpr int kMainWindowX = 100;
inline constexpr int kMainWindowY = 100;
inline constexpr int kMainWindowWidth = 550;
inline constexpr int kMainWindowHeight = 400;

struct ChildControl {
  const char* ClassName;
  const char* Text;  // nullptr: none
  DWORD ExStyle;
  int X, Y, Width, Height;
};

// Index of each control in kChildControls.
enum ChildIndex {
  kPathFieldIndex = 0,
  kFirstValueFieldIndex = 1,  // six fields, in ValueField order
  kOpenFileButtonIndex = 7,
  kDownloadButtonIndex = 8,
  kHwInfoButtonIndex = 9,
  kAppFwButtonIndex = 10,
  kStatusBarIndex = 11,
  kChildCount = 12,
};

inline constexpr ChildControl kChildControls[kChildCount] = {
    {"EDIT", nullptr, WS_EX_CLIENTEDGE, 20, 200, 500, 20},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 20, 40, 140, 20},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 200, 40, 140, 20},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 380, 40, 140, 20},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 20, 120, 140, 20},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 200, 120, 140, 20},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 380, 120, 140, 20},
    {"BUTTON", "OpenFile", 0, 20, 260, 100, 25},
    {"BUTTON", "DownLoad", 0, 150, 260, 100, 25},
    {"BUTTON", "HW info", 0, 280, 260, 100, 25},
    {"BUTTON", "Application FW", 0, 410, 260, 100, 25},
    // Places itself along the bottom edge.
    {"msctls_statusbar32", "BOOT sequence uninitialize", 0, 0, 0, 0, 0},
};

}  // namespace zentrel::win32
