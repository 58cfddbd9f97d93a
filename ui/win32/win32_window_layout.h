// The main window's frame and its twelve child controls, in creation order,
// in pixels of the client area.
#pragma once

#include <windows.h>

#include "ui/loader_window_layout.h"
#include "ui/loader_window_texts.h"

namespace zentrel::win32 {

inline constexpr DWORD kMainWindowStyle = WS_VISIBLE | WS_SYSMENU;

struct ChildControl {
  const char* ClassName;
  const char* Text;  // nullptr: none
  DWORD ExStyle;
  DWORD Style;  // beyond WS_CHILD | WS_VISIBLE, which every child has
  ControlRect Rect;
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
    // Read-only: it shows the loaded file's path, and a download sends the
    // loaded image whatever the field would say, so typing is refused.
    // Selecting and copying the path still work.
    {"EDIT", nullptr, WS_EX_CLIENTEDGE, ES_READONLY, kPathFieldRect},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 0, kValueFieldRects[0]},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 0, kValueFieldRects[1]},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 0, kValueFieldRects[2]},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 0, kValueFieldRects[3]},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 0, kValueFieldRects[4]},
    {"STATIC", nullptr, WS_EX_CLIENTEDGE, 0, kValueFieldRects[5]},
    {"BUTTON", kButtonTexts[0], 0, 0, kButtonRects[0]},
    {"BUTTON", kButtonTexts[1], 0, 0, kButtonRects[1]},
    {"BUTTON", kButtonTexts[2], 0, 0, kButtonRects[2]},
    {"BUTTON", kButtonTexts[3], 0, 0, kButtonRects[3]},
    // Places itself along the bottom edge.
    {"msctls_statusbar32", kInitialStatus, 0, 0, {0, 0, 0, 0}},
};

}  // namespace zentrel::win32
