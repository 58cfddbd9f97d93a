// Reads a whole file into the fixed FileBuffer. Windows builds open the file
// unshared (win32/), others use POSIX calls (posix/). CMake picks one.
#pragma once

#include <cstdint>
#include <string>

#include "image/image_store.h"

namespace zentrel {

// Why a file was not read, as data: each front end says it in its own words
// (the windows only "File read error").
enum class FileReadFault : std::uint8_t {
  None,
  NotFound,        // no such file, or a folder on the way is missing
  IsDirectory,
  AccessDenied,
  NotRegularFile,  // a FIFO, a device, a socket: never read, it may never end
  TooLarge,        // longer than FileBuffer
  Empty,
  InUse,           // Windows: another program holds it open
  Other,           // SystemError tells
};

struct FileRead {
  std::uint32_t Length = 0;  // bytes read into the buffer from offset 0; 0 on a fault
  FileReadFault Fault = FileReadFault::None;
  int SystemError = 0;  // errno (Windows: GetLastError()) behind Other
};

// Reads the file whole into buffer. Anything but a regular file is refused
// without waiting for it; a file longer than the buffer is refused unread.
// Nothing is written past the buffer, and the file is closed again on every
// path.
FileRead ReadWholeFile(const char* path, FileBytes& buffer);

// The fault in words: "No such file or directory", "Is a directory",
// "Permission denied", "not a regular file", "larger than 4194304 bytes",
// "empty", ...; empty when there is none.
std::string FileReadReason(const FileRead& read);

// The platform's words for SystemError behind Other (the platform's file,
// posix/ or win32/).
std::string SystemErrorText(int systemError);

}  // namespace zentrel
