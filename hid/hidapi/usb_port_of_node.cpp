#include "hid/hidapi/usb_port_of_node.h"

#include <libudev.h>

#include <string_view>

namespace zentrel {

std::string UsbPortOfNode(const std::string& devNode) {
  constexpr std::string_view kDev = "/dev/";
  if (devNode.compare(0, kDev.size(), kDev) != 0) return {};
  const std::string sysname = devNode.substr(kDev.size());
  // Only a plain node name: nothing that walks elsewhere in sysfs.
  if (sysname.compare(0, 6, "hidraw") != 0 || sysname.find('/') != std::string::npos) {
    return {};
  }
  // A context per call: libudev's are not to be shared between threads.
  udev* context = udev_new();
  if (context == nullptr) return {};
  std::string port;
  udev_device* node =
      udev_device_new_from_subsystem_sysname(context, "hidraw", sysname.c_str());
  if (node != nullptr) {
    // Owned by node, not to be released apart from it.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_device");
    const char* name = usb != nullptr ? udev_device_get_sysname(usb) : nullptr;
    if (name != nullptr) port = name;
    udev_device_unref(node);
  }
  udev_unref(context);
  return port;
}

}  // namespace zentrel
