// A file read in parts by offset, for a file too large to read whole (an
// ELF with its debug information). Windows builds open it unshared
// (win32/), others use POSIX calls (posix/), as ReadWholeFile does.
#pragma once

#include <cstdint>

#include "image/whole_file_reader.h"

namespace zentrel {

class FileAtOffset {
 public:
  FileAtOffset() = default;
  ~FileAtOffset();
  FileAtOffset(const FileAtOffset&) = delete;
  FileAtOffset& operator=(const FileAtOffset&) = delete;

  // Opens path for reading; the fault as ReadWholeFile gives it (anything
  // but a regular file is refused without waiting on it, an empty file is
  // Empty), and None when open. Length stays 0: see Size.
  FileRead Open(const char* path);

  std::uint64_t Size() const { return size_; }

  // All count bytes from offset into `into`, or false.
  bool ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count);

 private:
  std::intptr_t handle_ = -1;  // a descriptor, or a HANDLE; -1 when closed
  std::uint64_t size_ = 0;
};

}  // namespace zentrel
