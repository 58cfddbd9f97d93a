#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/file_at_offset.h"
#include "image/whole_file_reader.h"

namespace zentrel {

namespace {

FileRead Refused(FileReadFault fault, int error = 0) { return {0, fault, error}; }

FileRead RefusedForErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return Refused(FileReadFault::NotFound, error);
    case EACCES:
    case EPERM:
      return Refused(FileReadFault::AccessDenied, error);
    case EISDIR:
      return Refused(FileReadFault::IsDirectory, error);
    default:
      return Refused(FileReadFault::Other, error);
  }
}

// What no reader takes: a folder, anything but a regular file, an empty file.
FileRead RefusedForKind(const struct stat& status) {
  if (S_ISDIR(status.st_mode)) return Refused(FileReadFault::IsDirectory);
  if (!S_ISREG(status.st_mode)) return Refused(FileReadFault::NotRegularFile);
  if (status.st_size <= 0) return Refused(FileReadFault::Empty);
  return {};
}

// The kind, and the size that the whole-file buffer holds.
FileRead RefusedForType(const struct stat& status) {
  if (const FileRead refused = RefusedForKind(status); refused.Fault != FileReadFault::None) {
    return refused;
  }
  if (static_cast<unsigned long long>(status.st_size) > kFileBufferSize) {
    return Refused(FileReadFault::TooLarge);
  }
  return {};
}

ssize_t ReadSome(int fd, void* into, std::size_t count) {
  ssize_t n = 0;
  while ((n = read(fd, into, count)) < 0 && errno == EINTR) {
  }
  return n;
}

FileRead ReadOpenFile(int fd, FileBytes& buffer) {
  // Judge what is open: the path may lead elsewhere since the first look.
  struct stat status {};
  if (fstat(fd, &status) != 0) return RefusedForErrno(errno);
  if (const FileRead refused = RefusedForType(status); refused.Fault != FileReadFault::None) {
    return refused;
  }
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n = ReadSome(fd, buffer.data() + got, buffer.size() - got);
    if (n < 0) return RefusedForErrno(errno);
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  // A full buffer may be the start of a file that grew: one more byte decides.
  char more = 0;
  if (got == buffer.size() && ReadSome(fd, &more, 1) != 0) return Refused(FileReadFault::TooLarge);
  if (got == 0) return Refused(FileReadFault::Empty);
  return {static_cast<std::uint32_t>(got), FileReadFault::None, 0};
}

}  // namespace

FileRead ReadWholeFile(const char* path, FileBytes& buffer) {
  // Look before opening: opening a FIFO for reading waits for a writer, and
  // opening a device may already do something to it.
  struct stat status {};
  if (stat(path, &status) != 0) return RefusedForErrno(errno);
  if (const FileRead refused = RefusedForType(status); refused.Fault != FileReadFault::None) {
    return refused;
  }
  // Without blocking all the same, should a FIFO take the file's place meanwhile.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return RefusedForErrno(errno);
  const FileRead result = ReadOpenFile(fd, buffer);
  close(fd);
  return result;
}

std::string SystemErrorText(int systemError) {
  return systemError != 0 ? std::strerror(systemError) : "the read failed";
}

}  // namespace zentrel

namespace zentrel {

FileRead FileAtOffset::Open(const char* path) {
  // As ReadWholeFile: look, open without blocking, judge what is open.
  struct stat status {};
  if (stat(path, &status) != 0) return RefusedForErrno(errno);
  if (const FileRead refused = RefusedForKind(status); refused.Fault != FileReadFault::None) {
    return refused;
  }
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return RefusedForErrno(errno);
  handle_ = fd;
  if (fstat(fd, &status) != 0) return RefusedForErrno(errno);
  if (const FileRead refused = RefusedForKind(status); refused.Fault != FileReadFault::None) {
    return refused;
  }
  size_ = static_cast<std::uint64_t>(status.st_size);
  return {};
}

bool FileAtOffset::ReadAt(std::uint64_t offset, std::uint8_t* into, std::uint32_t count) {
  if (handle_ < 0) return false;
  std::uint32_t got = 0;
  while (got < count) {
    const ssize_t n = pread(static_cast<int>(handle_), into + got, count - got,
                            static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::uint32_t>(n);
  }
  return true;
}

FileAtOffset::~FileAtOffset() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

}  // namespace zentrel
