#include "image/whole_file_reader.h"

#include <windows.h>

namespace zentrel {

std::uint32_t ReadWholeFile(const char* path, FileBytes& buffer) {
  // Share mode 0: a file that another program holds open is not read, and
  // nobody can change it while it is.
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD sizeHigh = 0;
  const DWORD size = GetFileSize(file, &sizeHigh);
  std::uint32_t result = 0;
  // INVALID_FILE_SIZE is larger than the buffer too; a size of 4 GiB or more
  // must not pass as its low 32 bits.
  if (sizeHigh == 0 && size > 0 && size <= buffer.size()) {
    DWORD got = 0;
    if (ReadFile(file, buffer.data(), size, &got, nullptr) && got == size) result = size;
  }
  CloseHandle(file);
  return result;
}

}  // namespace zentrel
