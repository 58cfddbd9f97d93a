// Which USB port a HID interface's device is plugged in, read from the
// device tree. A HID collection node and a composite device's interface node
// ("&MI_xx") change with the device's IDs and its re-enumeration; the USB
// device node above them carries the port's location, which does not.
#pragma once

#include <cstdint>
#include <string>

namespace zentrel::win32 {

// A device node (the configuration manager's DEVINST).
using DeviceNode = std::uint32_t;

// What the walk reads of the device tree. Each call answers on its own, so
// that several threads may walk the tree at once.
class DeviceTree {
 public:
  virtual ~DeviceTree() = default;
  // False when the node has no parent or the system cannot tell.
  virtual bool Parent(DeviceNode node, DeviceNode& parent) = 0;
  // The device instance ID, such as "USB\VID_1D50&PID_61A7\ZB-000001";
  // empty when unknown.
  virtual std::string InstanceId(DeviceNode node) = 0;
  // The first of the node's location paths, such as
  // "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)"; empty when it has none.
  virtual std::string LocationPath(DeviceNode node) = 0;
  // The node's location information, such as "Port_#0004.Hub_#0001"; empty
  // when it has none.
  virtual std::string LocationInformation(DeviceNode node) = 0;
};

// The port of the device whose HID collection is hidNode: the USB device
// node's location path, else its location information. Where neither can be
// read, the instance ID of the highest node the walk reached stands in: it
// names the device as the system enumerated it and stays the same while the
// device comes back with the same IDs and serial number (Wine's device tree,
// which gives no parents and no locations, needs this). Where that node is
// still a collection or an interface, the ID's last part is left off: Wine
// numbers the devices with the same IDs there, in the order they arrive.
// Empty when not even the collection's instance ID is known.
std::string PortLocation(DeviceTree& tree, DeviceNode hidNode);

}  // namespace zentrel::win32
