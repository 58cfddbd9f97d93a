// Runs zentrel-loader.exe (the program on the machine's HID devices, not the
// demo) as a process and plays the user for HW info: a click on the button,
// then the fields are read until the road has shown the platform, and Konec
// ends the program. Exit code 0 when the fields hold what the device sent.
//
//   hw_info_process_driver.exe LOADER.exe
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/win32/main_window_of.h"
#include "ui/win32/resource_ids.h"
#include "ui/loader_window_layout.h"

namespace {

// The child of main whose top-left corner, in client pixels, is rect's.
struct ChildSearch {
  HWND Parent;
  zentrel::ControlRect Rect;
  HWND Found;
};

BOOL CALLBACK FindChildAt(HWND child, LPARAM param) {
  auto* search = reinterpret_cast<ChildSearch*>(param);
  RECT r;
  GetWindowRect(child, &r);
  POINT corner{r.left, r.top};
  ScreenToClient(search->Parent, &corner);
  if (corner.x == search->Rect.X && corner.y == search->Rect.Y) {
    search->Found = child;
    return FALSE;
  }
  return TRUE;
}

HWND ChildAt(HWND parent, const zentrel::ControlRect& rect) {
  ChildSearch search{parent, rect, nullptr};
  EnumChildWindows(parent, FindChildAt, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::string TextOf(HWND window) {
  char text[128] = "";
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 5000, &copied);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hw_info_process_driver LOADER.exe\n");
    return 2;
  }
  std::string command = std::string("\"") + argv[1] + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "cannot start %s\n", argv[1]);
    return 1;
  }
  int result = 1;
  WaitForInputIdle(process.hProcess, 30000);
  HWND window = nullptr;
  for (int i = 0; i < 300 && (window = zentrel::test::MainWindowOf(process.dwProcessId)) == nullptr;
       ++i) {
    Sleep(100);
  }
  HWND button = window ? ChildAt(window, zentrel::kButtonRects[2]) : nullptr;
  HWND platform = window ? ChildAt(window, zentrel::kValueFieldRects[0]) : nullptr;
  HWND bootVersion = window ? ChildAt(window, zentrel::kValueFieldRects[2]) : nullptr;
  HWND deviceId = window ? ChildAt(window, zentrel::kValueFieldRects[5]) : nullptr;
  if (button == nullptr || platform == nullptr || bootVersion == nullptr ||
      deviceId == nullptr) {
    std::fprintf(stderr, "the main window or its controls were not found\n");
  } else {
    std::printf("button: %s\n", TextOf(button).c_str());
    PostMessageA(button, BM_CLICK, 0, 0);
    // The road takes a few seconds (the reset delay, the device's
    // re-enumeration); a failure box would leave the fields empty.
    for (int i = 0; i < 600 && TextOf(platform) != "  ZX-CORE"; ++i) Sleep(100);
    std::printf("platform: '%s'\nboot version: '%s'\ndevice id: '%s'\n",
                TextOf(platform).c_str(), TextOf(bootVersion).c_str(),
                TextOf(deviceId).c_str());
    if (TextOf(platform) == "  ZX-CORE" && TextOf(bootVersion) == "  BL 2.05") result = 0;
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(ZENTREL_CMD_EXIT, 0), 0);
  }
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "the program did not end after Konec\n");
    TerminateProcess(process.hProcess, 1);
    result = 1;
  }
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  if (code != 0) result = 1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::printf("%s\n", result == 0 ? "HW info through the hidraw node: ok" : "FAILED");
  return result;
}
