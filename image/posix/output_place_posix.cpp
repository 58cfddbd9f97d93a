#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "image/output_place.h"

namespace zentrel {

OutputPlace LookAtOutput(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return OutputPlace::Nothing;
  if (S_ISREG(status.st_mode)) return OutputPlace::RegularFile;
  if (S_ISDIR(status.st_mode)) return OutputPlace::Directory;
  if (S_ISSOCK(status.st_mode)) return OutputPlace::Socket;
  return OutputPlace::Stream;
}

bool IsStandardOutput(const std::string& path) {
  struct stat target {}, out {};
  return stat(path.c_str(), &target) == 0 && fstat(STDOUT_FILENO, &out) == 0 &&
         target.st_dev == out.st_dev && target.st_ino == out.st_ino;
}

std::string WriteAccessProblem(const std::string& path) {
  // The effective IDs decide, as they do when the file is opened.
  if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) return "";
  return std::strerror(errno);
}

bool WriteIntoStream(const std::string& path, const std::uint8_t* data, std::size_t size,
                     std::string& error) {
  const int fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? std::strerror(errno) : "no more bytes taken";
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  // Linux closes the descriptor even when interrupted: nothing is lost then.
  if (close(fd) != 0 && errno != EINTR && done == size) {
    error = std::strerror(errno);
    return false;
  }
  return done == size;
}

}  // namespace zentrel
