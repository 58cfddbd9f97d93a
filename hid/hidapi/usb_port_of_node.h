// The USB port a hidraw node's device is plugged into, from udev.
#pragma once

#include <string>

namespace zentrel {

// For "/dev/hidrawN": the sysfs name of the usb_device above the node (such
// as "1-1.4"), which a reset does not change. Empty when the path is no
// hidraw node, the node is gone or its device is not on USB.
std::string UsbPortOfNode(const std::string& devNode);

}  // namespace zentrel
