#include "hid/win32/bounded_read.h"

namespace zentrel::win32 {
namespace {

// How often the watchdog repeats its cancel while the reader has not returned.
constexpr DWORD kCancelRepeatMs = 10;

struct ReadWatch {
  HANDLE reader = nullptr;    // the reading thread, opened for cancelling
  HANDLE finished = nullptr;  // manual-reset event: the read has returned
  DWORD timeoutMs = 0;
};

DWORD WINAPI WatchRead(void* param) {
  auto* watch = static_cast<ReadWatch*>(param);
  if (WaitForSingleObject(watch->finished, watch->timeoutMs) == WAIT_OBJECT_0) return 0;
  // The reader may not have entered ReadFile yet when the limit passes, and
  // then a single cancel finds nothing; keep cancelling until it returns.
  do {
    CancelSynchronousIo(watch->reader);
  } while (WaitForSingleObject(watch->finished, kCancelRepeatMs) != WAIT_OBJECT_0);
  return 0;
}

void CloseIfOpen(HANDLE h) {
  if (h != nullptr) CloseHandle(h);
}

}  // namespace

bool ReadFileWithin(HANDLE file, void* data, DWORD length, DWORD timeoutMs) {
  ReadWatch watch;
  watch.timeoutMs = timeoutMs;
  watch.reader = OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
  watch.finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE watchdog = nullptr;
  if (watch.reader != nullptr && watch.finished != nullptr) {
    watchdog = CreateThread(nullptr, 0, WatchRead, &watch, 0, nullptr);
  }
  if (watchdog == nullptr) {
    CloseIfOpen(watch.reader);
    CloseIfOpen(watch.finished);
    return false;
  }

  DWORD got = 0;
  const BOOL ok = ReadFile(file, data, length, &got, nullptr);
  const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
  // The watchdog must be gone before this thread starts any other I/O that
  // a late cancel could hit.
  SetEvent(watch.finished);
  WaitForSingleObject(watchdog, INFINITE);
  CloseHandle(watchdog);
  CloseHandle(watch.finished);
  CloseHandle(watch.reader);
  // The read's own reason, not that of the calls above.
  SetLastError(error);
  return ok != FALSE;
}

}  // namespace zentrel::win32
