// Preloaded into a client on the hidraw harness, ahead of umockdev's library:
// every open of a /dev/hidraw node fails with EACCES, as for a user without
// access to a node the kernel made 0600. The tests may run as root, whom no
// file mode stops.
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

extern "C" int open(const char* path, int flags, ...) {
  if (std::strncmp(path, "/dev/hidraw", 11) == 0) {
    errno = EACCES;
    return -1;
  }
  int mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, int);
    va_end(args);
  }
  using Open = int (*)(const char*, int, ...);
  static const auto next = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "open"));
  return next(path, flags, mode);
}
