#include "hid/win32/win32_hid_platform.h"

#include <cstdlib>
#include <string>

#include "hid/win32/bounded_read.h"
#include "hid/win32/hid_dll.h"
#include "hid/win32/hid_interface_location.h"

#include <setupapi.h>

namespace zentrel {
namespace {

HANDLE ToHandle(HidHandle h) { return reinterpret_cast<HANDLE>(h); }

HidHandle FromHandle(HANDLE h) {
  return h == INVALID_HANDLE_VALUE ? kNoHidHandle : reinterpret_cast<HidHandle>(h);
}

// Read and write, shared with every other opener, synchronous I/O.
HANDLE OpenForReadWrite(const char* path) {
  return CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                     nullptr);
}

// The top-level collection's capabilities, read through the probe handle.
bool ReadCaps(HANDLE probe, HIDP_CAPS& caps) {
  PHIDP_PREPARSED_DATA preparsed = nullptr;
  if (!HidD_GetPreparsedData(probe, &preparsed)) return false;
  const NTSTATUS status = HidP_GetCaps(preparsed, &caps);
  HidD_FreePreparsedData(preparsed);
  return status == HIDP_STATUS_SUCCESS;
}

// The detail record of one member, in a block the caller frees; nullptr when
// the platform gives no size or no record.
SP_DEVICE_INTERFACE_DETAIL_DATA_A* ReadDetail(HDEVINFO set,
                                               SP_DEVICE_INTERFACE_DATA& member) {
  DWORD required = 0;
  // Fails by design (no buffer); only the size it reports is wanted.
  SetupDiGetDeviceInterfaceDetailA(set, &member, nullptr, 0, &required, nullptr);
  if (required == 0) return nullptr;
  auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(std::malloc(required));
  if (detail == nullptr) return nullptr;
  // The size of the fixed part, not of the block.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(set, &member, detail, required, nullptr,
                                        nullptr)) {
    std::free(detail);
    return nullptr;
  }
  return detail;
}

// The last failure on this thread, kept only on the failure paths: a trace
// asks for it right after the call (LastError), and the calls in between
// (a watchdog's, the clock's) may change GetLastError.
thread_local DWORD lastError = 0;

bool Fail() {
  lastError = GetLastError();
  return false;
}

}  // namespace

void Win32HidPlatform::Enumerate(const std::function<bool(const HidCollection&)>& visit) {
  GUID hidGuid;
  HidD_GetHidGuid(&hidGuid);
  HDEVINFO set = SetupDiGetClassDevsA(&hidGuid, nullptr, nullptr,
                                      DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  // With no set the first SetupDiEnumDeviceInterfaces fails and nothing is
  // listed, so INVALID_HANDLE_VALUE needs no branch of its own.
  bool more = true;
  for (DWORD index = 0; more; ++index) {
    SP_DEVICE_INTERFACE_DATA member{};
    member.cbSize = sizeof(member);
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hidGuid, index, &member)) break;
    SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail = ReadDetail(set, member);
    if (detail == nullptr) continue;

    HidCollection collection;
    collection.Path = detail->DevicePath;
    std::free(detail);
    HANDLE probe = OpenForReadWrite(collection.Path.c_str());
    if (probe != INVALID_HANDLE_VALUE) {
      HIDP_CAPS caps{};
      if (ReadCaps(probe, caps)) {
        collection.UsagePage = caps.UsagePage;
        collection.Usage = caps.Usage;
        collection.CapsKnown = true;
      }
      CloseHandle(probe);
    }
    more = visit(collection);
  }
  if (set != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set);
}

HidHandle Win32HidPlatform::Open(const std::string& path) {
  const HidHandle h = FromHandle(OpenForReadWrite(path.c_str()));
  if (h == kNoHidHandle) {
    Fail();
  } else {
    ++openHandles_;
  }
  return h;
}

bool Win32HidPlatform::GetAttributes(HidHandle h, std::uint16_t& vendorId,
                                     std::uint16_t& productId) {
  HIDD_ATTRIBUTES attributes{};
  attributes.Size = sizeof(attributes);
  if (!HidD_GetAttributes(ToHandle(h), &attributes)) return Fail();
  vendorId = attributes.VendorID;
  productId = attributes.ProductID;
  return true;
}

bool Win32HidPlatform::GetProductString(HidHandle h, char16_t* units, std::size_t count) {
  // The work area is 256 bytes; a caller's shorter buffer limits it further.
  const std::size_t fit = count < kProductStringUnits ? count : kProductStringUnits;
  return HidD_GetProductString(ToHandle(h), units,
                               static_cast<ULONG>(fit * sizeof(char16_t))) != FALSE ||
         Fail();
}

bool Win32HidPlatform::GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) {
  const std::size_t fit = count < kProductStringUnits ? count : kProductStringUnits;
  if (fit == 0) return false;
  units[fit - 1] = 0;
  return HidD_GetSerialNumberString(ToHandle(h), units,
                                    static_cast<ULONG>((fit - 1) * sizeof(char16_t))) != FALSE ||
         Fail();
}

bool Win32HidPlatform::SetFeature(HidHandle h, const std::uint8_t* data,
                                  std::size_t length) {
  // HidD_SetFeature takes a non-const buffer but only reads it.
  return HidD_SetFeature(ToHandle(h), const_cast<std::uint8_t*>(data),
                         static_cast<ULONG>(length)) != FALSE ||
         Fail();
}

bool Win32HidPlatform::GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) {
  return HidD_GetFeature(ToHandle(h), data, static_cast<ULONG>(length)) != FALSE || Fail();
}

bool Win32HidPlatform::WriteOutput(HidHandle h, const std::uint8_t* data,
                                   std::size_t length) {
  DWORD written = 0;
  return WriteFile(ToHandle(h), data, static_cast<DWORD>(length), &written, nullptr) !=
             FALSE ||
         Fail();
}

bool Win32HidPlatform::ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                                 int timeoutMs) {
  return win32::ReadFileWithin(ToHandle(h), data, static_cast<DWORD>(length),
                               timeoutMs < 0 ? 0 : static_cast<DWORD>(timeoutMs)) ||
         Fail();
}

void Win32HidPlatform::Close(HidHandle h) {
  if (h == kNoHidHandle) return;
  CloseHandle(ToHandle(h));
  --openHandles_;
}

HidError Win32HidPlatform::LastError(HidHandle) {
  HidError error;
  // Only the watchdog cancels a read: its time limit ran out.
  error.What = lastError == ERROR_OPERATION_ABORTED ? HidError::Kind::TimedOut
                                                    : HidError::Kind::Failed;
  char text[256] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, lastError, 0, text, sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  error.Text = "error " + std::to_string(lastError) + (message.empty() ? "" : ": " + message);
  return error;
}

std::string Win32HidPlatform::GetLocation(const std::string& path) {
  return win32::HidInterfaceLocation(path);
}

}  // namespace zentrel
