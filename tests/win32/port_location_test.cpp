// The walk from a HID collection up to its USB device's port, over device
// trees shaped as Windows and Wine show them.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "hid/win32/port_location.h"

namespace zentrel::win32 {
namespace {

struct FakeNode {
  std::string InstanceId;
  DeviceNode Parent = 0;  // 0: none
  std::string LocationPath;
  std::string LocationInformation;
};

class FakeTree final : public DeviceTree {
 public:
  explicit FakeTree(std::map<DeviceNode, FakeNode> nodes) : nodes_(std::move(nodes)) {}
  bool Parent(DeviceNode node, DeviceNode& parent) override {
    ++parentCalls;
    const DeviceNode up = nodes_.at(node).Parent;
    if (up == 0) return false;
    parent = up;
    return true;
  }
  std::string InstanceId(DeviceNode node) override {
    auto it = nodes_.find(node);
    return it == nodes_.end() ? std::string() : it->second.InstanceId;
  }
  std::string LocationPath(DeviceNode node) override { return nodes_.at(node).LocationPath; }
  std::string LocationInformation(DeviceNode node) override {
    return nodes_.at(node).LocationInformation;
  }
  int parentCalls = 0;

 private:
  std::map<DeviceNode, FakeNode> nodes_;
};

// A composite device on port 4 of the root hub: collection, interface, USB
// device, hub. The collection and the interface carry location texts of
// their own, which are not the port.
std::map<DeviceNode, FakeNode> CompositeOnPort4(const char* hidId, const char* interfaceId,
                                                const char* deviceId) {
  return {
      {1, {hidId, 2, "", "0000.0014.0000.004.000.000.000.000.000"}},
      {2, {interfaceId, 3, "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)#USBMI(0)",
           "0000.0014.0000.004.000.000.000.000.000"}},
      {3, {deviceId, 4, "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)", "Port_#0004.Hub_#0001"}},
      {4, {"USB\\ROOT_HUB30\\4&1F2E3D4C&0&0", 0, "PCIROOT(0)#PCI(1400)#USBROOT(0)",
           ""}},
  };
}

struct WalkCase {
  const char* Name;
  std::map<DeviceNode, FakeNode> Tree;
  const char* Port;
};

TEST(PortLocation, WalksToTheUsbDevicesLocation) {
  const WalkCase cases[] = {
      {"a composite device gives its USB device's location path",
       CompositeOnPort4("HID\\VID_1D50&PID_61A7&MI_00\\8&2A1B3C4D&0&0000",
                        "USB\\VID_1D50&PID_61A7&MI_00\\7&11223344&0&0000",
                        "USB\\VID_1D50&PID_61A7\\ZB-000001"),
       "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)"},
      // The boot loader may come back with another product ID and serial:
      // every instance ID changes, the port does not.
      {"the same port after the device came back with other IDs and instances",
       CompositeOnPort4("HID\\VID_1D50&PID_61A8&MI_00\\8&5E6F7A8B&0&0000",
                        "USB\\VID_1D50&PID_61A8&MI_00\\7&55667788&0&0000",
                        "USB\\VID_1D50&PID_61A8\\5&9ABCDEF0&0&4"),
       "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(4)"},
      {"a simple device without location paths gives its location information",
       {{1, {"HID\\VID_1D50&PID_61A7\\6&3C4D5E6F&0&0000", 2, "", "bogus"}},
        {2, {"USB\\VID_1D50&PID_61A7\\5&2A6B3C&0&4", 0, "", "Port_#0004.Hub_#0001"}}},
       "Port_#0004.Hub_#0001"},
      {"an interface marker in the serial number does not make it an interface",
       {{1, {"HID\\VID_1D50&PID_61A7\\6&3C4D5E6F&0&0000", 2, "", ""}},
        {2, {"USB\\VID_1D50&PID_61A7\\AB&MI_01", 3, "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)",
             ""}},
        {3, {"USB\\ROOT_HUB30\\4&1F2E3D4C&0&0", 0, "PCIROOT(0)#PCI(1400)#USBROOT(0)", ""}}},
       "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)"},
      // Wine: no parent and no location for the collection; its instance ID
      // is built from the IDs and the serial number.
      // Its last part numbers the devices with the same IDs in the order
      // they arrived, which boards reset side by side do not keep.
      {"without parents the collection's instance ID stands in, without its number",
       {{1, {"HID\\VID_1D50&PID_61A7&MI_00\\0&ZB-000001&0&0", 0, "", ""}}},
       "HID\\VID_1D50&PID_61A7&MI_00\\0&ZB-000001&0"},
      {"... the same when Wine numbered the device anew",
       {{1, {"HID\\VID_1D50&PID_61A7&MI_00\\0&ZB-000001&0&2", 0, "", ""}}},
       "HID\\VID_1D50&PID_61A7&MI_00\\0&ZB-000001&0"},
      {"a USB device without locations gives its instance ID, not the collection's",
       {{1, {"HID\\VID_1D50&PID_61A7\\6&3C4D5E6F&0&0000", 2, "", ""}},
        {2, {"USB\\VID_1D50&PID_61A7\\5&2A6B3C&0&4", 0, "", ""}}},
       "USB\\VID_1D50&PID_61A7\\5&2A6B3C&0&4"},
      {"a parent without an instance ID ends the walk at the last known node",
       {{1, {"HID\\VID_1D50&PID_61A7\\6&3C4D5E6F&0&0000", 9, "", ""}}},
       "HID\\VID_1D50&PID_61A7\\6&3C4D5E6F&0"},
      {"a node without an instance ID gives nothing", {}, ""},
  };
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FakeTree tree(c.Tree);
    EXPECT_EQ(PortLocation(tree, 1), c.Port);
  }
}

TEST(PortLocation, ATreeThatLoopsEndsAfterEightSteps) {
  FakeTree tree({
      {1, {"HID\\VID_1D50&PID_61A7\\6&1&0&0000", 2, "", ""}},
      {2, {"HID\\VID_1D50&PID_61A7\\6&2&0&0000", 1, "", ""}},
  });
  EXPECT_EQ(PortLocation(tree, 1), "HID\\VID_1D50&PID_61A7\\6&1&0");
  EXPECT_EQ(tree.parentCalls, 8);
}

}  // namespace
}  // namespace zentrel::win32
