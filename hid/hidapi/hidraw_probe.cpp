#include "hid/hidapi/hidraw_probe.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace zentrel {

int ProbeHidrawNode(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno;
  int size = 0;
  const int error = ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 ? errno : 0;
  close(fd);
  return error;
}

}  // namespace zentrel
