// The platform seam beneath device discovery and the device link. Each
// platform (hidapi, Win32 SetupAPI/HID, the emulated bus) implements it once;
// everything above it is written once. Every call is synchronous. Several
// threads may use one platform at once, each with its own handles (one road
// per device); a platform serialises whatever it shares between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zentrel {

// One present HID top-level collection, as the enumeration meets it.
struct HidCollection {
  std::string Path;           // what Open() takes
  std::uint16_t UsagePage = 0;
  std::uint16_t Usage = 0;
  bool CapsKnown = false;     // false: the probe open or the capability read failed
};

// A present collection with the boot loader's usage and the asked IDs that
// cannot be opened for reading and writing, and the reason its open gave.
struct UnopenableDevice {
  std::string Path;
  std::string Reason;
  bool Denied = false;  // a permission error: the user may not open it
};

// An open device; kNoHidHandle is none.
using HidHandle = std::uintptr_t;
inline constexpr HidHandle kNoHidHandle = 0;

// Number of UTF-16 units of the product string work area (256 bytes).
inline constexpr std::size_t kProductStringUnits = 128;

// Why a call failed, in the platform's own terms, for a trace of the calls.
struct HidError {
  enum class Kind {
    Unknown,   // the platform cannot tell
    Failed,    // an error; Text says which
    Short,     // fewer bytes came than asked for
    TimedOut,  // the time limit ran out first
  };
  Kind What = Kind::Unknown;
  std::size_t Moved = 0;  // Short: the bytes that came, report ID included
  std::string Text;       // the platform's words; may be empty
};

class HidPlatform {
 public:
  virtual ~HidPlatform() = default;

  // Calls visit for each present collection in the platform's order, after a
  // probe open for reading and writing and a read of the collection's
  // capabilities (CapsKnown tells whether both worked). Stops as soon as
  // visit returns false, so later members are not probed. visit must not
  // call the platform: a platform may hold its lock while it enumerates.
  virtual void Enumerate(const std::function<bool(const HidCollection&)>& visit) = 0;

  // Opens a path for reading and writing; kNoHidHandle on failure.
  virtual HidHandle Open(const std::string& path) = 0;
  virtual bool GetAttributes(HidHandle h, std::uint16_t& vendorId,
                             std::uint16_t& productId) = 0;
  // UTF-16 product string, ended by a zero unit, into units[0..count).
  virtual bool GetProductString(HidHandle h, char16_t* units, std::size_t count) = 0;
  // Feature reports: data[0] is the report ID.
  virtual bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) = 0;
  virtual bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) = 0;
  // One output report, data[0] the report ID.
  virtual bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) = 0;
  // One input report, waiting at most timeoutMs; false on timeout or error.
  virtual bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                         int timeoutMs) = 0;
  virtual void Close(HidHandle h) = 0;
  // Handles that Open gave out and Close has not taken back. Every open is
  // paired with its close on every path, so this is 0 whenever no road and
  // no listing runs.
  virtual std::size_t OpenHandleCount() const = 0;

  // UTF-16 serial number string, as GetProductString; for listing devices.
  // A platform that cannot tell returns false.
  virtual bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) {
    (void)h;
    (void)units;
    (void)count;
    return false;
  }

  // Where the device behind a listed path is plugged in: a name of its USB
  // port that stays the same when the device resets and comes back with a
  // new path (Linux: the usb_device's sysfs name such as "1-1.4"; Windows:
  // the device's location path; the emulated bus: the port it assigned).
  // Empty when the platform cannot tell.
  virtual std::string GetLocation(const std::string& path) {
    (void)path;
    return {};
  }

  // Collections with usage page 0xFF00, usage 1 and both IDs that are present
  // but cannot be opened for reading and writing. Discovery never lists such
  // a device, so without this a front end could only say that none is there.
  // For messages only; a platform that cannot tell returns none.
  virtual std::vector<UnopenableDevice> FindUnopenable(std::uint16_t vendorId,
                                                       std::uint16_t productId) {
    (void)vendorId;
    (void)productId;
    return {};
  }

  // Why the last call that returned false on this thread failed: a call on
  // h, or with kNoHidHandle the last Open. Asked right after that call, before
  // any other; a platform that cannot tell gives Kind::Unknown.
  virtual HidError LastError(HidHandle h) {
    (void)h;
    return {};
  }
};

}  // namespace zentrel
