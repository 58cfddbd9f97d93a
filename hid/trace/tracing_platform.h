// A platform that passes every call to another one and records it: what was
// asked, what came back, when and how long it took, and why it failed. The
// front end wraps its platform in one only when a trace is asked for, so a
// run without one pays nothing.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "hid/hid_platform.h"
#include "hid/trace/protocol_decoder.h"
#include "hid/trace/trace_record.h"
#include "protocol/clock.h"

namespace zentrel::trace {

class TracingPlatform final : public HidPlatform {
 public:
  // Times are read on clock, from now on.
  TracingPlatform(std::unique_ptr<HidPlatform> inner, Clock& clock);

  void AddSink(std::unique_ptr<TraceSink> sink);

  void Enumerate(const std::function<bool(const HidCollection&)>& visit) override;
  HidHandle Open(const std::string& path) override;
  bool GetAttributes(HidHandle h, std::uint16_t& vendorId, std::uint16_t& productId) override;
  bool GetProductString(HidHandle h, char16_t* units, std::size_t count) override;
  bool GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) override;
  bool SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) override;
  bool WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) override;
  bool ReadInput(HidHandle h, std::uint8_t* data, std::size_t length, int timeoutMs) override;
  void Close(HidHandle h) override;
  std::size_t OpenHandleCount() const override { return inner_->OpenHandleCount(); }
  // Not device calls: passed on untraced.
  std::string GetLocation(const std::string& path) override;
  std::vector<UnopenableDevice> FindUnopenable(std::uint16_t vendorId,
                                               std::uint16_t productId) override;
  HidError LastError(HidHandle h) override;

 private:
  struct Handle {
    std::string Board;
    Conversation Talk;
  };

  // A record of a call on h that began at startUs and returned ok.
  TraceRecord Begin(TraceCall call, std::uint64_t startUs, bool ok, HidHandle h);
  // The bytes that a fetch of length bytes brought.
  static std::size_t Fetched(const TraceRecord& record, std::size_t length);
  bool String(TraceCall call, HidHandle h, char16_t* units, std::size_t count);
  std::string BoardOf(const std::string& path);
  // Under lock_: the handle's state and the sinks.
  void Emit(TraceRecord& record);

  std::unique_ptr<HidPlatform> inner_;
  Clock& clock_;
  const std::uint64_t zeroUs_;
  // Boards side by side call from their own threads: their records take
  // turns, their calls do not.
  std::mutex lock_;
  std::map<HidHandle, Handle> handles_;
  std::vector<std::unique_ptr<TraceSink>> sinks_;
};

}  // namespace zentrel::trace
