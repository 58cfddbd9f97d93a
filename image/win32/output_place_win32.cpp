#include <windows.h>

#include <algorithm>
#include <filesystem>

#include "image/output_place.h"

namespace zentrel {

namespace {

std::string WindowsError(DWORD error) { return "Windows error " + std::to_string(error); }

}  // namespace

OutputPlace LookAtOutput(const std::string& path) {
  // The null device answers to NUL in any folder and in any case.
  if (lstrcmpiA(std::filesystem::path(path).filename().string().c_str(), "NUL") == 0) {
    return OutputPlace::Stream;
  }
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return OutputPlace::Nothing;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? OutputPlace::Directory
                                                       : OutputPlace::RegularFile;
}

// No path a user gives on Windows leads to a redirected standard output.
bool IsStandardOutput(const std::string&) { return false; }

std::string WriteAccessProblem(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return "Permission denied";
  }
  return "";
}

bool WriteIntoStream(const std::string& path, const std::uint8_t* data, std::size_t size,
                     std::string& error) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = WindowsError(GetLastError());
    return false;
  }
  std::size_t done = 0;
  while (done < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 20));
    DWORD wrote = 0;
    if (!WriteFile(file, data + done, chunk, &wrote, nullptr)) {
      error = WindowsError(GetLastError());
      break;
    }
    if (wrote == 0) {
      error = "no more bytes taken";
      break;
    }
    done += wrote;
  }
  CloseHandle(file);
  return done == size;
}

}  // namespace zentrel
