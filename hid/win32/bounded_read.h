// A synchronous ReadFile with a time limit. The handle stays a plain
// synchronous one (no FILE_FLAG_OVERLAPPED), so every other transfer on it is
// unchanged; a watchdog thread cancels this thread's pending read with
// CancelSynchronousIo once the limit has passed.
#pragma once

#include <windows.h>

namespace zentrel::win32 {

// Reads up to length bytes from file. True when the read completed in time
// and succeeded; false on failure or when timeoutMs ran out (the read is then
// cancelled and nothing more arrives in data). On false, GetLastError is the
// read's: ERROR_OPERATION_ABORTED when the limit ran out.
bool ReadFileWithin(HANDLE file, void* data, DWORD length, DWORD timeoutMs);

}  // namespace zentrel::win32
