// A HID platform that passes every call on to another one and counts the
// calls, so that a window test can prove that nothing reached the device
// after a moment (the window's close): enumeration, opens, transfers, closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "hid/hid_platform.h"

namespace zentrel::testing {

class CountingPlatform final : public HidPlatform {
 public:
  explicit CountingPlatform(HidPlatform& inner) : inner_(inner) {}

  // Every call of the seam so far, closes included.
  int Calls() const { return calls_; }
  int CloseCalls() const { return closes_; }

  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override {
    ++calls_;
    inner_.Enumerate(visit);
  }
  HidHandle Open(const std::string& path) override {
    ++calls_;
    return inner_.Open(path);
  }
  bool GetAttributes(HidHandle h, std::uint16_t& vendorId, std::uint16_t& productId) override {
    ++calls_;
    return inner_.GetAttributes(h, vendorId, productId);
  }
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override {
    ++calls_;
    return inner_.GetProductString(h, units, count);
  }
  bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) override {
    ++calls_;
    return inner_.SetFeature(h, data, length);
  }
  bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) override {
    ++calls_;
    return inner_.GetFeature(h, data, length);
  }
  bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) override {
    ++calls_;
    return inner_.WriteOutput(h, data, length);
  }
  bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length, int timeoutMs) override {
    ++calls_;
    return inner_.ReadInput(h, data, length, timeoutMs);
  }
  void Close(HidHandle h) override {
    ++calls_;
    ++closes_;
    inner_.Close(h);
  }
  std::size_t OpenHandleCount() const override { return inner_.OpenHandleCount(); }

 private:
  HidPlatform& inner_;
  int calls_ = 0;
  int closes_ = 0;
};

}  // namespace zentrel::testing
