#include "hid/win32/port_location.h"

namespace zentrel::win32 {
namespace {

// A tree deeper than this between a HID collection and its USB device is not
// a USB one; the bound also ends a walk through a tree that loops.
constexpr int kMaxSteps = 8;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWith(const std::string& text, const char* prefix) {
  std::size_t i = 0;
  for (; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || Upper(text[i]) != prefix[i]) return false;
  }
  return true;
}

// The enumerator and device parts ("USB\VID_1D50&PID_61A7&MI_00"), without
// the instance part, which may hold any text (a serial number).
std::string EnumeratorAndDevice(const std::string& instanceId) {
  const std::size_t first = instanceId.find('\\');
  if (first == std::string::npos) return instanceId;
  return instanceId.substr(0, instanceId.find('\\', first + 1));
}

// A HID collection or one interface of a composite USB device: its parent is
// nearer to the port.
bool IsBelowTheUsbDevice(const std::string& instanceId) {
  if (StartsWith(instanceId, "HID\\")) return true;
  const std::string head = EnumeratorAndDevice(instanceId);
  for (std::size_t i = 0; i + 4 <= head.size(); ++i) {
    if (head[i] == '&' && Upper(head[i + 1]) == 'M' && Upper(head[i + 2]) == 'I' &&
        head[i + 3] == '_') {
      return true;
    }
  }
  return false;
}

// A walk that ended below the USB device (Wine gives a collection no parent)
// names the device by the collection's instance ID without its last part:
// Wine numbers devices with the same IDs in the order they arrive there, so
// that part changes when boards re-enumerate in another order, while the
// IDs and the serial number before it do not.
std::string WithoutDeviceNumber(const std::string& instanceId) {
  const std::size_t instance = instanceId.rfind('\\');
  const std::size_t last = instanceId.rfind('&');
  if (instance == std::string::npos || last == std::string::npos || last < instance) {
    return instanceId;
  }
  return instanceId.substr(0, last);
}

}  // namespace

std::string PortLocation(DeviceTree& tree, DeviceNode hidNode) {
  DeviceNode node = hidNode;
  std::string instanceId = tree.InstanceId(node);
  for (int step = 0; step < kMaxSteps && !instanceId.empty(); ++step) {
    if (!IsBelowTheUsbDevice(instanceId)) {
      std::string location = tree.LocationPath(node);
      if (location.empty()) location = tree.LocationInformation(node);
      return location.empty() ? instanceId : location;
    }
    DeviceNode parent = 0;
    if (!tree.Parent(node, parent)) break;
    std::string parentId = tree.InstanceId(parent);
    if (parentId.empty()) break;
    node = parent;
    instanceId = parentId;
  }
  return IsBelowTheUsbDevice(instanceId) ? WithoutDeviceNumber(instanceId) : instanceId;
}

}  // namespace zentrel::win32
