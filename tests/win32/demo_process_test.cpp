// zentrel-loader-demo.exe as a process: started (with arguments, which it
// ignores), found by its window class, closed by "Konec", exit code 0.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/win32/main_window_of.h"
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


TEST(DemoProcessTest, StartsWithArgumentsAndEndsWithZeroAfterKonec) {
  std::string command = DemoCommand();
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &startup, &process))
      << command;
  // A failed check below must not leave it running: the limit holds either way.
  struct EndsWithTheTest {
    HANDLE Process;
    ~EndsWithTheTest() {
      if (WaitForSingleObject(Process, 0) == WAIT_TIMEOUT) TerminateProcess(Process, 1);
    }
  } ends{process.hProcess};
  // Ready once its message loop waits for input.
  ASSERT_EQ(WaitForInputIdle(process.hProcess, 30000), 0u);
  const HWND window = zentrel::test::MainWindowOf(process.dwProcessId);
  ASSERT_NE(window, nullptr);
  char title[64] = "";
  GetWindowTextA(window, title, sizeof title);
  EXPECT_STREQ(title, " Zentrel  0.0.4 02.07.2013");

  PostMessageA(window, WM_COMMAND, MAKEWPARAM(ZENTREL_CMD_EXIT, 0), 0);
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace
