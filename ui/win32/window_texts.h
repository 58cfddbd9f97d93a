// The 8-bit texts of the main window and its About box.
#pragma once

namespace zentrel::win32 {

inline constexpr const char* kMainClassName = "WinAPIMainClass";
inline constexpr const char* kWindowTitle = " Zentrel  0.0.4 02.07.2013";
inline constexpr const char* kInitialStatus = "BOOT sequence uninitialize";

struct CaptionText {
  const char* Text;
  int X;
  int Y;
};
// Painted on the window's face, 20 px above each value field.
inline constexpr CaptionText kCaptions[6] = {
    {"HW platform", 20, 20},       {"HW version", 200, 20}, {"BOOT SW version", 380, 20},
    {"Application info", 20, 100}, {"FW version", 200, 100}, {"HID Device ID", 380, 100},
};

inline constexpr const char* kAboutCaption = "About ";
inline constexpr const char* kAboutText =
    "Zentrel loader\n"
    "\n"
    "   Zentrel firmware team\n"
    "\n"
    "    Ver 0.0.4 02.07.2013\n"
    "\n"
    "     Flash with care.";

}  // namespace zentrel::win32
