// Where one appearance of a test device lives in a mocked sysfs, shaped as
// the kernel shows a USB HID device: usb_device > usb_interface > hid device
// > hidraw/hidrawN, the usb_device named after its port. Every time a device
// comes back (after a reset) it is a new appearance: a new device number on
// the bus, a new hid device and a new hidraw node, on the same USB port.
// Appearances are numbered across all devices of a testbed, as the kernel
// numbers them across the system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zentrel::hidraw {

struct NodeIdentity {
  std::uint16_t VendorId = 0;
  std::uint16_t ProductId = 0;
  std::string Manufacturer = "Zentrel";
  std::string Product;  // UTF-8, as the kernel keeps the USB string
  std::string Serial;
  std::string Port = "1-1";  // the usb_device's name: bus 1, port 1
};

struct NodeLayout {
  int Number = 0;             // N of hidrawN
  std::string DevNode;        // /dev/hidrawN
  std::string UsbDevice;      // sysfs paths
  std::string UsbInterface;
  std::string HidDevice;
  std::string Hidraw;
  std::string HidName;        // 0003:VVVV:PPPP.NNNN, the hid device's name
};

// The testbed's N-th appearance (0, 1, ...), of the device id describes.
NodeLayout LayoutFor(const NodeIdentity& id, int appearance);

// The testbed descriptions (umockdev's text format) of that appearance: the
// parents (usb_device, usb_interface, hid device) and the hidraw node. The
// node is added last, when everything it needs is in place: whoever follows
// the "add" events opens it at once.
std::string DescribeParents(const NodeIdentity& id, const NodeLayout& layout);
std::string DescribeHidraw(const NodeLayout& layout);

// A vendor-defined top-level collection (usage page 0xFF00, usage 1) without
// report IDs: 63-byte input and output reports and an 8-byte feature report,
// that is 64 and 9 bytes with the report ID byte in front.
const std::vector<std::uint8_t>& ReportDescriptor();

inline constexpr std::size_t kInputPayload = 63;
inline constexpr std::size_t kFeaturePayload = 8;

}  // namespace zentrel::hidraw
