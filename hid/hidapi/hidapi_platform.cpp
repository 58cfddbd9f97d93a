#include "hid/hidapi/hidapi_platform.h"

#include <hidapi/hidapi.h>

#include <cwchar>
#include <map>

namespace zentrel {

namespace {

hid_device* Device(HidHandle h) { return reinterpret_cast<hid_device*>(h); }

}  // namespace

HidapiPlatform::HidapiPlatform() { hid_init(); }

HidapiPlatform::~HidapiPlatform() { hid_exit(); }

void HidapiPlatform::Enumerate(const std::function<bool(const HidCollection&)>& visit) {
  hid_device_info* list = hid_enumerate(0, 0);
  // hidapi lists every collection of an interface, nested ones too, with the
  // interface's path: probe each path once per enumeration.
  std::map<std::string, bool> openable;
  for (hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path == nullptr) continue;
    HidCollection member;
    member.Path = info->path;
    auto probed = openable.find(member.Path);
    if (probed == openable.end()) {
      hid_device* probe = hid_open_path(info->path);
      if (probe != nullptr) hid_close(probe);
      probed = openable.emplace(member.Path, probe != nullptr).first;
    }
    member.CapsKnown = probed->second;
    member.UsagePage = info->usage_page;
    member.Usage = info->usage;
    if (!visit(member)) break;
  }
  hid_free_enumeration(list);
}

HidHandle HidapiPlatform::Open(const std::string& path) {
  return reinterpret_cast<HidHandle>(hid_open_path(path.c_str()));
}

bool HidapiPlatform::GetAttributes(HidHandle h, std::uint16_t& vendorId,
                                   std::uint16_t& productId) {
  hid_device_info* info = hid_get_device_info(Device(h));
  if (info == nullptr) return false;
  vendorId = info->vendor_id;
  productId = info->product_id;
  return true;
}

bool HidapiPlatform::GetProductString(HidHandle h, char16_t* units, std::size_t count) {
  if (count == 0) return false;
  wchar_t wide[256] = {};
  if (hid_get_product_string(Device(h), wide, 255) != 0) return false;
  // wchar_t holds UTF-32 here; the seam speaks UTF-16.
  std::size_t out = 0;
  for (std::size_t i = 0; wide[i] != 0 && out + 1 < count; ++i) {
    auto cp = static_cast<std::uint32_t>(wide[i]);
    if (cp > 0xFFFF && out + 2 < count) {
      cp -= 0x10000;
      units[out++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      units[out++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      units[out++] = static_cast<char16_t>(cp & 0xFFFF);
    }
  }
  units[out] = 0;
  return true;
}

bool HidapiPlatform::SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) {
  return hid_send_feature_report(Device(h), data, length) >= 0;
}

bool HidapiPlatform::GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) {
  // The returned buffer begins with the report ID, as the caller's layout.
  return hid_get_feature_report(Device(h), data, length) >= 0;
}

bool HidapiPlatform::WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) {
  return hid_write(Device(h), data, length) >= 0;
}

bool HidapiPlatform::ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                               int timeoutMs) {
  if (length < 2) return false;
  // hidraw delivers an unnumbered input report without its ID byte; the
  // caller's layout has the ID (0) in byte 0.
  data[0] = 0;
  int got = hid_read_timeout(Device(h), data + 1, length - 1, timeoutMs);
  return got > 0;
}

void HidapiPlatform::Close(HidHandle h) { hid_close(Device(h)); }

}  // namespace zentrel
