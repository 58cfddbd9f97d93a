#include "tests/hidraw/hidraw_node_layout.h"

#include <cstdio>

namespace zentrel::hidraw {

namespace {

constexpr const char* kUsbRoot = "/sys/devices/pci0000:00/0000:00:14.0/usb1";

std::string Hex4(unsigned value, bool upper) {
  char text[8];
  std::snprintf(text, sizeof text, upper ? "%04X" : "%04x", value & 0xFFFFu);
  return text;
}

}  // namespace

NodeLayout LayoutFor(const NodeIdentity& id, int appearance) {
  NodeLayout l;
  l.Number = appearance;
  l.DevNode = "/dev/hidraw" + std::to_string(appearance);
  l.UsbDevice = std::string(kUsbRoot) + "/" + id.Port;
  l.UsbInterface = l.UsbDevice + "/" + id.Port + ":1.0";
  char name[32];
  std::snprintf(name, sizeof name, "0003:%04X:%04X.%04X", id.VendorId, id.ProductId,
                static_cast<unsigned>(appearance + 1));
  l.HidName = name;
  l.HidDevice = l.UsbInterface + "/" + l.HidName;
  l.Hidraw = l.HidDevice + "/hidraw/hidraw" + std::to_string(appearance);
  return l;
}

std::string DescribeParents(const NodeIdentity& id, const NodeLayout& l) {
  const std::string vid = Hex4(id.VendorId, false);
  const std::string pid = Hex4(id.ProductId, false);
  const std::string devnum = std::to_string(2 + l.Number);
  auto sysPath = [](const std::string& path) { return path.substr(4); };  // no "/sys"
  std::string s;
  s += "P: " + sysPath(l.UsbDevice) + "\n";
  s += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n";
  s += "E: PRODUCT=" + vid + "/" + pid + "/100\n";
  s += "E: BUSNUM=001\nE: DEVNUM=" + std::string(3 - devnum.size(), '0') + devnum + "\n";
  s += "A: idVendor=" + vid + "\nA: idProduct=" + pid + "\nA: bcdDevice=0100\n";
  s += "A: manufacturer=" + id.Manufacturer + "\n";
  s += "A: product=" + id.Product + "\n";
  s += "A: serial=" + id.Serial + "\n";
  s += "A: busnum=1\nA: devnum=" + devnum + "\n\n";

  s += "P: " + sysPath(l.UsbInterface) + "\n";
  s += "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=usbhid\n";
  s += "E: INTERFACE=3/0/0\nA: bInterfaceNumber=00\nA: bInterfaceClass=03\n";
  s += "A: bInterfaceSubClass=00\nA: bInterfaceProtocol=00\n\n";

  s += "P: " + sysPath(l.HidDevice) + "\n";
  s += "E: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n";
  s += "E: HID_ID=0003:0000" + Hex4(id.VendorId, true) + ":0000" + Hex4(id.ProductId, true) +
       "\n";
  s += "E: HID_NAME=" + id.Manufacturer + " " + id.Product + "\n";
  s += "E: HID_PHYS=usb-0000:00:14.0-" + id.Port.substr(2) + "/input0\n";
  s += "E: HID_UNIQ=" + id.Serial + "\n";
  s += "E: MODALIAS=hid:b0003g0001v0000" + Hex4(id.VendorId, true) + "p0000" +
       Hex4(id.ProductId, true) + "\n";
  s += "H: report_descriptor=";
  for (std::uint8_t b : ReportDescriptor()) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", b);
    s += hex;
  }
  s += "\n\n";
  return s;
}

std::string DescribeHidraw(const NodeLayout& l) {
  // The device number is a placeholder: the node gets the number of the
  // terminal that stands in for it once that exists.
  const std::string minor = std::to_string(l.Number);
  std::string s = "P: " + l.Hidraw.substr(4) + "\n";
  s += "N: hidraw" + minor + "\n";
  s += "E: DEVNAME=" + l.DevNode + "\nE: SUBSYSTEM=hidraw\n";
  s += "E: MAJOR=241\nE: MINOR=" + minor + "\nA: dev=241:" + minor + "\n\n";
  return s;
}

const std::vector<std::uint8_t>& ReportDescriptor() {
  static const std::vector<std::uint8_t> descriptor = {
      0x06, 0x00, 0xFF,  // Usage Page (Vendor 0xFF00)
      0x09, 0x01,        // Usage (1)
      0xA1, 0x01,        // Collection (Application)
      0x15, 0x00,        //   Logical Minimum (0)
      0x26, 0xFF, 0x00,  //   Logical Maximum (255)
      0x75, 0x08,        //   Report Size (8)
      0x95, 0x3F,        //   Report Count (63)
      0x09, 0x01,        //   Usage (1)
      0x81, 0x02,        //   Input (Data, Var, Abs)
      0x95, 0x3F,        //   Report Count (63)
      0x09, 0x01,        //   Usage (1)
      0x91, 0x02,        //   Output (Data, Var, Abs)
      0x95, 0x08,        //   Report Count (8)
      0x09, 0x01,        //   Usage (1)
      0xB1, 0x02,        //   Feature (Data, Var, Abs)
      0xC0,              // End Collection
  };
  return descriptor;
}

}  // namespace zentrel::hidraw
