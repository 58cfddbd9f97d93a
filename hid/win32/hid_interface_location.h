// The port location of a HID interface path, read from the system's device
// tree through SetupAPI and the configuration manager.
#pragma once

#include <string>

namespace zentrel::win32 {

// PortLocation over the system's tree, from the node of the present HID
// interface with this path (compared without regard to case, as Windows
// compares paths). Empty when no present interface has the path.
std::string HidInterfaceLocation(const std::string& interfacePath);

}  // namespace zentrel::win32
