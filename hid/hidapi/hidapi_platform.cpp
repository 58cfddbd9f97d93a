#include "hid/hidapi/hidapi_platform.h"

#include <hidapi/hidapi.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <map>

#include "hid/hidapi/hidraw_probe.h"
#include "hid/hidapi/usb_port_of_node.h"
#include "hid/hidapi/utf8_thread_locale.h"
#include "hid/utf8_text.h"
#include "protocol/reports.h"

namespace zentrel {

namespace {

hid_device* Device(HidHandle h) { return reinterpret_cast<hid_device*>(h); }

// hidapi's messages are wide strings; ours are UTF-8.
std::string ToUtf8(const wchar_t* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) {
    AppendUtf8(out, static_cast<std::uint32_t>(*text));
  }
  return out;
}

// The last failure on this thread, kept only on the failure paths: a trace
// asks for it right after the call (LastError).
thread_local HidError lastFailure;

// hidapi says "Success" when it has nothing to say (a timeout, a short read).
std::string ErrorText(hid_device* device) {
  std::string text = ToUtf8(hid_error(device));
  return text == "Success" ? std::string() : text;
}

bool Fail(hid_device* device, HidError::Kind what = HidError::Kind::Failed,
          std::size_t moved = 0) {
  lastFailure = {what, moved, ErrorText(device)};
  return false;
}

// A transfer that returned n: the error, a timeout (0 from a read) or the
// bytes that came.
bool FailTransfer(hid_device* device, int n, std::size_t idBytes, bool zeroIsTimeout) {
  if (n < 0) return Fail(device);
  if (n == 0 && zeroIsTimeout) return Fail(device, HidError::Kind::TimedOut);
  return Fail(device, HidError::Kind::Short, static_cast<std::size_t>(n) + idBytes);
}

// In hidapi's words, which it gives for the same failed open.
std::string OpenErrorText(const std::string& path, int error) {
  return "Failed to open a device with path '" + path + "': " + std::strerror(error);
}

}  // namespace

HidapiPlatform::HidapiPlatform() { hid_init(); }

HidapiPlatform::~HidapiPlatform() { hid_exit(); }

void HidapiPlatform::Enumerate(const std::function<bool(const HidCollection&)>& visit) {
  std::lock_guard<std::mutex> turn(globalCalls_);
  hid_device_info* list = nullptr;
  {
    Utf8ThreadLocale utf8;
    list = hid_enumerate(0, 0);
  }
  // hidapi lists every collection of an interface, nested ones too, with the
  // interface's path: probe each path once per enumeration.
  std::map<std::string, bool> openable;
  for (hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path == nullptr) continue;
    HidCollection member;
    member.Path = info->path;
    auto probed = openable.find(member.Path);
    if (probed == openable.end()) {
      probed = openable.emplace(member.Path, ProbeHidrawNode(member.Path) == 0).first;
    }
    member.CapsKnown = probed->second;
    member.UsagePage = info->usage_page;
    member.Usage = info->usage;
    if (!visit(member)) break;
  }
  hid_free_enumeration(list);
}

HidHandle HidapiPlatform::Open(const std::string& path) {
  std::lock_guard<std::mutex> turn(globalCalls_);
  // A node that has just left never reaches hid_open_path (hidraw_probe.h).
  if (const int error = ProbeHidrawNode(path); error != 0) {
    lastFailure = {HidError::Kind::Failed, 0, OpenErrorText(path, error)};
    return kNoHidHandle;
  }
  hid_device* device = hid_open_path(path.c_str());
  // The reason is process-wide in hidapi: kept while this thread has the turn.
  if (device == nullptr) Fail(nullptr);
  if (device != nullptr) ++openHandles_;
  return reinterpret_cast<HidHandle>(device);
}

bool HidapiPlatform::GetAttributes(HidHandle h, std::uint16_t& vendorId,
                                   std::uint16_t& productId) {
  // The first call reads all of the device's strings from sysfs and keeps
  // them: the product string is converted here, not when it is asked for.
  std::lock_guard<std::mutex> turn(globalCalls_);
  Utf8ThreadLocale utf8;
  hid_device_info* info = hid_get_device_info(Device(h));
  if (info == nullptr) return Fail(Device(h));
  vendorId = info->vendor_id;
  productId = info->product_id;
  return true;
}

namespace {

// hidapi's wide strings (UTF-32 here) into the seam's UTF-16, cut to count
// units with the closing zero.
void ToUtf16(const wchar_t* wide, char16_t* units, std::size_t count) {
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
}

}  // namespace

bool HidapiPlatform::GetProductString(HidHandle h, char16_t* units, std::size_t count) {
  if (count == 0) return false;
  wchar_t wide[256] = {};
  {
    std::lock_guard<std::mutex> turn(globalCalls_);
    Utf8ThreadLocale utf8;
    if (hid_get_product_string(Device(h), wide, 255) != 0) return Fail(Device(h));
  }
  ToUtf16(wide, units, count);
  return true;
}

bool HidapiPlatform::GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) {
  if (count == 0) return false;
  wchar_t wide[256] = {};
  {
    std::lock_guard<std::mutex> turn(globalCalls_);
    Utf8ThreadLocale utf8;
    if (hid_get_serial_number_string(Device(h), wide, 255) != 0) return Fail(Device(h));
  }
  ToUtf16(wide, units, count);
  return true;
}

bool HidapiPlatform::SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) {
  return hid_send_feature_report(Device(h), data, length) >= 0 || Fail(Device(h));
}

// A read succeeds only with the whole report: a shorter answer would leave
// bytes of an earlier report in the caller's buffer, to be taken as if the
// device had just sent them.
bool HidapiPlatform::GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) {
  // The count hidapi returns includes the report ID in byte 0.
  const int n = hid_get_feature_report(Device(h), data, length);
  return n == static_cast<int>(length) || FailTransfer(Device(h), n, 0, false);
}

bool HidapiPlatform::WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) {
  return hid_write(Device(h), data, length) >= 0 || Fail(Device(h));
}

bool HidapiPlatform::ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                               int timeoutMs) {
  if (length < 2) return false;
  // hidraw delivers an unnumbered input report without its ID byte; the
  // caller's layout has the ID (0) in byte 0.
  data[0] = 0;
  const int wanted = static_cast<int>(length - 1);
  // A handled signal (Ctrl-C) breaks hidapi's wait with EINTR: no failure of
  // the device. The wait goes on for the rest of its time, and the stop is
  // taken between steps, as on every other platform.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int n = 0;
  for (int waitMs = timeoutMs;;) {
    errno = 0;
    n = hid_read_timeout(Device(h), data + 1, length - 1, waitMs);
    if (n >= 0 || errno != EINTR) break;
    if (timeoutMs >= 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          until - std::chrono::steady_clock::now());
      waitMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
  }
  return n == wanted || FailTransfer(Device(h), n, 1, true);
}

void HidapiPlatform::Close(HidHandle h) {
  if (h == kNoHidHandle) return;
  std::lock_guard<std::mutex> turn(globalCalls_);
  hid_close(Device(h));
  --openHandles_;
}

std::size_t HidapiPlatform::OpenHandleCount() const {
  std::lock_guard<std::mutex> turn(globalCalls_);
  return openHandles_;
}

HidError HidapiPlatform::LastError(HidHandle) { return lastFailure; }

// hidapi's paths on Linux are the hidraw nodes.
std::string HidapiPlatform::GetLocation(const std::string& path) {
  std::lock_guard<std::mutex> turn(globalCalls_);
  return UsbPortOfNode(path);
}

std::vector<UnopenableDevice> HidapiPlatform::FindUnopenable(std::uint16_t vendorId,
                                                             std::uint16_t productId) {
  std::lock_guard<std::mutex> turn(globalCalls_);
  std::vector<UnopenableDevice> found;
  hid_device_info* list = nullptr;
  {
    Utf8ThreadLocale utf8;
    list = hid_enumerate(vendorId, productId);
  }
  for (hid_device_info* info = list; info != nullptr; info = info->next) {
    if (info->path == nullptr || info->usage_page != kBootUsagePage ||
        info->usage != kBootUsage) {
      continue;
    }
    // The open's own errno, and whether a permission stopped it.
    const int error = ProbeHidrawNode(info->path);
    // ENODEV: a node whose device has just left, not yet taken down by the
    // kernel; nothing the user could open.
    if (error != 0 && error != ENODEV) {
      found.push_back({info->path, std::strerror(error), error == EACCES || error == EPERM});
    }
  }
  hid_free_enumeration(list);
  return found;
}

}  // namespace zentrel
