// zentrel-loader-demo.exe as a process: started (with arguments, which it
// ignores), found by its window class, closed by "Konec", exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ui/win32/resource_ids.h"

namespace {

// The command line: the demo beside this program's build folder, quoted, and
// two arguments that it must ignore.
std::string DemoCommand() {
  char self[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  char* lastSlash = std::strrchr(self, '\\');
  if (lastSlash != nullptr) lastSlash[1] = 0;
  char command[2 * MAX_PATH];
  std::snprintf(command, sizeof command, "\"%s%s\" --ignored arguments", self,
                ZENTREL_DEMO_RELATIVE_PATH);
  for (char* c = command; *c != 0; ++c) {
    if (*c == '/') *c = '\\';
  }
  return command;
}

struct WindowSearch {
  DWORD ProcessId;
  HWND Found;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (owner == search->ProcessId && lstrcmpA(name, "WinAPIMainClass") == 0) {
    search->Found = window;
    return FALSE;
  }
  return TRUE;
}

TEST(DemoProcessTest, StartsWithArgumentsAndEndsWithZeroAfterKonec) {
  std::string command = DemoCommand();
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process))
      << command;
  // Ready once its message loop waits for input.
  ASSERT_EQ(WaitForInputIdle(process.hProcess, 30000), 0u);
  WindowSearch search{process.dwProcessId, nullptr};
  EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
  ASSERT_NE(search.Found, nullptr);
  char title[64] = "";
  GetWindowTextA(search.Found, title, sizeof title);
  EXPECT_STREQ(title, " Zentrel  0.0.4 02.07.2013");

  PostMessageA(search.Found, WM_COMMAND, MAKEWPARAM(ZENTREL_CMD_EXIT, 0), 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
