#include "image/file_at_offset.h"
#include "image/whole_file_reader.h"

#include <windows.h>

namespace zentrel {

namespace {

FileRead Refused(FileReadFault fault, DWORD error = 0) {
  return {0, fault, static_cast<int>(error)};
}

FileRead RefusedForError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return Refused(FileReadFault::NotFound, error);
    case ERROR_ACCESS_DENIED:
      return Refused(FileReadFault::AccessDenied, error);
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return Refused(FileReadFault::InUse, error);
    default:
      return Refused(FileReadFault::Other, error);
  }
}

FileRead ReadOpenFile(HANDLE file, FileBytes& buffer) {
  // A pipe or a device (NUL, CON, COM1) is never read: it may never end.
  if (GetFileType(file) != FILE_TYPE_DISK) return Refused(FileReadFault::NotRegularFile);
  DWORD sizeHigh = 0;
  SetLastError(NO_ERROR);
  const DWORD size = GetFileSize(file, &sizeHigh);
  if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    return RefusedForError(GetLastError());
  }
  // A size of 4 GiB or more must not pass as its low 32 bits.
  if (sizeHigh != 0 || size > buffer.size()) return Refused(FileReadFault::TooLarge);
  if (size == 0) return Refused(FileReadFault::Empty);
  DWORD got = 0;
  if (!ReadFile(file, buffer.data(), size, &got, nullptr)) return RefusedForError(GetLastError());
  if (got != size) return Refused(FileReadFault::Other);
  return {size, FileReadFault::None, 0};
}

}  // namespace

FileRead ReadWholeFile(const char* path, FileBytes& buffer) {
  // A folder cannot be opened as a file; say so rather than "access denied".
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Refused(FileReadFault::IsDirectory);
  }
  // Share mode 0: a file that another program holds open is not read, and
  // nobody can change it while it is.
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return RefusedForError(GetLastError());
  const FileRead result = ReadOpenFile(file, buffer);
  CloseHandle(file);
  return result;
}

std::string SystemErrorText(int systemError) {
  return "Windows error " + std::to_string(systemError);
}

}  // namespace zentrel

namespace zentrel {

FileRead FileAtOffset::Open(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return Refused(FileReadFault::IsDirectory);
  }
  // Unshared, as the whole-file read: nobody changes it between the parts.
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return RefusedForError(GetLastError());
  handle_ = reinterpret_cast<std::intptr_t>(file);
  if (GetFileType(file) != FILE_TYPE_DISK) return Refused(FileReadFault::NotRegularFile);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) return RefusedForError(GetLastError());
  if (size.QuadPart <= 0) return Refused(FileReadFault::Empty);
  size_ = static_cast<std::uint64_t>(size.QuadPart);
  return {};
}

bool FileAtOffset::ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count) {
  if (handle_ == -1) return false;
  std::uint32_t got = 0;
  while (got < count) {
    // A synchronous handle reads at the offset the OVERLAPPED names.
    OVERLAPPED at{};
    const std::uint64_t from = offset + got;
    at.Offset = static_cast<DWORD>(from);
    at.OffsetHigh = static_cast<DWORD>(from >> 32);
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(handle_), into + got, count - got, &n, &at) || n == 0) {
      return false;
    }
    got += n;
  }
  return true;
}

FileAtOffset::~FileAtOffset() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace zentrel
