// The platform seam over hidapi (hidraw backend on Linux).
#pragma once

#include <mutex>

#include "hid/hid_platform.h"

namespace zentrel {

class HidapiPlatform final : public HidPlatform {
 public:
  HidapiPlatform();
  ~HidapiPlatform() override;
  HidapiPlatform(const HidapiPlatform&) = delete;
  HidapiPlatform& operator=(const HidapiPlatform&) = delete;

  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override;
  HidHandle Open(const std::string& path) override;
  bool GetAttributes(HidHandle h, std::uint16_t& vendorId,
                     std::uint16_t& productId) override;
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override;
  bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) override;
  bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) override;
  bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                 int timeoutMs) override;
  void Close(HidHandle h) override;
  std::size_t OpenHandleCount() const override;
  std::string GetLocation(const std::string& path) override;
  std::vector<UnopenableDevice> FindUnopenable(std::uint16_t vendorId,
                                               std::uint16_t productId) override;
  // hid_error's text of the failed call, and a read's timeout or short count.
  HidError LastError(HidHandle h) override;

 private:
  // hidapi keeps one last-error text for the whole process, which
  // enumerating and opening replace; two threads replacing it at once would
  // lose one text unfreed. Those calls, the first reading of a device's
  // strings and IDs (sysfs, udev), the udev reads of GetLocation and the
  // count of handles take turns. Transfers on an open handle touch only that
  // handle's state and need no turn.
  mutable std::mutex globalCalls_;
  std::size_t openHandles_ = 0;
};

}  // namespace zentrel
