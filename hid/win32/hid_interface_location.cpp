#include "hid/win32/hid_interface_location.h"

#include "hid/win32/hid_dll.h"
#include "hid/win32/port_location.h"

#include <cfgmgr32.h>
#include <setupapi.h>

namespace zentrel::win32 {
namespace {

// Instance IDs and location texts are far shorter; a longer one is treated
// as missing rather than cut.
constexpr ULONG kTextBytes = 1024;

// A text property of the node (the first string of a string list), or empty.
std::string TextProperty(DeviceNode node, ULONG property) {
  // Two zero bytes past what the call may fill end the text in any case.
  char text[kTextBytes + 2] = {};
  ULONG type = 0;
  ULONG length = kTextBytes;
  if (CM_Get_DevNode_Registry_PropertyA(node, property, &type, text, &length, 0) !=
      CR_SUCCESS) {
    return {};
  }
  if (type != REG_SZ && type != REG_MULTI_SZ) return {};
  return text;
}

class SystemDeviceTree final : public DeviceTree {
 public:
  bool Parent(DeviceNode node, DeviceNode& parent) override;
  std::string InstanceId(DeviceNode node) override;
  std::string LocationPath(DeviceNode node) override;
  std::string LocationInformation(DeviceNode node) override;
};

bool SystemDeviceTree::Parent(DeviceNode node, DeviceNode& parent) {
  DEVINST found = 0;
  if (CM_Get_Parent(&found, node, 0) != CR_SUCCESS) return false;
  parent = found;
  return true;
}

std::string SystemDeviceTree::InstanceId(DeviceNode node) {
  char id[kTextBytes + 1] = {};
  if (CM_Get_Device_IDA(node, id, kTextBytes, 0) != CR_SUCCESS) return {};
  return id;
}

std::string SystemDeviceTree::LocationPath(DeviceNode node) {
  return TextProperty(node, CM_DRP_LOCATION_PATHS);
}

std::string SystemDeviceTree::LocationInformation(DeviceNode node) {
  return TextProperty(node, CM_DRP_LOCATION_INFORMATION);
}

}  // namespace

std::string HidInterfaceLocation(const std::string& interfacePath) {
  // The members of the HID interface class are searched for the path:
  // SetupDiOpenDeviceInterfaceA would name it directly, but Wine does not
  // carry it out, and the class holds only a handful of members.
  GUID hidGuid;
  HidD_GetHidGuid(&hidGuid);
  HDEVINFO set = SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_HANDLE_VALUE) return {};
  std::string location;
  bool found = false;
  for (DWORD index = 0; !found; ++index) {
    SP_DEVICE_INTERFACE_DATA member{};
    member.cbSize = sizeof(member);
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &member)) break;
    // The fixed part and a path of up to kTextBytes characters.
    union {
      SP_DEVICE_INTERFACE_DETAIL_DATA_A detail;
      char bytes[sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) + kTextBytes];
    } block{};
    block.detail.cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &member, &block.detail,
                                          sizeof(block.bytes) - 1, nullptr, &device)) {
      continue;
    }
    if (lstrcmpiA(block.detail.DevicePath, interfacePath.c_str()) == 0) {
      found = true;
      // Under Wine a node is known only while the set that found it lives.
      SystemDeviceTree tree;
      location = PortLocation(tree, device.DevInst);
    }
  }
  SetupDiDestroyDeviceInfoList(set);
  return location;
}

}  // namespace zentrel::win32
