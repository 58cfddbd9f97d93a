// The texts of the main window, its menu and its About box.
#pragma once

namespace zentrel::qt {

inline constexpr const char* kWindowTitle = " Zentrel  0.0.4 02.07.2013";
inline constexpr const char* kInitialStatus = "BOOT sequence uninitialize";

inline constexpr const char* kButtonTexts[4] = {"OpenFile", "DownLoad", "HW info",
                                                "Application FW"};

struct Caption {
  const char* Text;
  int X;
  int Y;
};
inline constexpr Caption kCaptions[6] = {
    {"HW platform", 20, 20},       {"HW version", 200, 20}, {"BOOT SW version", 380, 20},
    {"Application info", 20, 100}, {"FW version", 200, 100}, {"HID Device ID", 380, 100},
};

// UTF-8: the menu is Czech.
inline constexpr const char* kMenuFile = "Soubor";
inline constexpr const char* kMenuFileExit = "Konec";
inline constexpr const char* kMenuSettings = "Nastaven\xC3\xAD";
inline constexpr const char* kMenuSettingsCommunication = "Komunikace";
inline constexpr const char* kMenuHelp = "N\xC3\xA1pov\xC4\x9B" "da";
inline constexpr const char* kMenuHelpAbout = "O programu";

inline constexpr const char* kAboutCaption = "About ";
inline constexpr const char* kAboutText =
    "Zentrel loader\n"
    "\n"
    "   Zentrel firmware team\n"
    "\n"
    "    Ver 0.0.4 02.07.2013\n"
    "\n"
    "     Flash with care.";

}  // namespace zentrel::qt
