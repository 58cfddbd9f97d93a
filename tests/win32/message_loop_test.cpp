// The program's message loop: it ends with the quit message's code, and with
// 0 when fetching fails.
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/win32/loader_program.h"

namespace zentrel::win32 {
namespace {

TEST(MessageLoopTest, EndsWithTheQuitMessagesCodeAfterDispatchingTheRest) {
  MSG stale;
  while (PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE)) {
  }
  ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP, 5, 6));
  PostQuitMessage(3);
  EXPECT_EQ(RunMessageLoop(), 3);
  EXPECT_FALSE(PeekMessageA(&stale, nullptr, 0, 0, PM_REMOVE));
}

// A fetch that gives one ordinary message and then fails, leaving a stray
// value in the message record, as a failed fetch may.
int g_fetches = 0;
BOOL WINAPI FetchOnceThenFail(LPMSG message, HWND, UINT, UINT) {
  ++g_fetches;
  *message = MSG{};
  if (g_fetches == 1) {
    message->message = WM_NULL;
    return TRUE;
  }
  message->wParam = 0xBAD;
  return -1;
}

TEST(MessageLoopTest, AFailedFetchEndsTheLoopWithZero) {
  g_fetches = 0;
  EXPECT_EQ(RunMessageLoop(&FetchOnceThenFail), 0);
  EXPECT_EQ(g_fetches, 2);
}

}  // namespace
}  // namespace zentrel::win32
