// Where the main window and its controls sit, shared by the Qt and the Win32
// window: the frame in screen pixels, the controls in pixels of the client
// area.
#pragma once

namespace zentrel {

struct ControlRect {
  int X;
  int Y;
  int Width;
  int Height;
};

inline constexpr int kWindowX = 100;
inline constexpr int kWindowY = 100;
inline constexpr int kWindowWidth = 550;   // outer size, frame included
inline constexpr int kWindowHeight = 400;

inline constexpr ControlRect kPathFieldRect{20, 200, 500, 20};
// In ValueField order.
inline constexpr ControlRect kValueFieldRects[6] = {
    {20, 40, 140, 20},  {200, 40, 140, 20},  {380, 40, 140, 20},
    {20, 120, 140, 20}, {200, 120, 140, 20}, {380, 120, 140, 20},
};
// OpenFile, DownLoad, HW info, Application FW.
inline constexpr ControlRect kButtonRects[4] = {
    {20, 260, 100, 25}, {150, 260, 100, 25}, {280, 260, 100, 25}, {410, 260, 100, 25},
};

}  // namespace zentrel
