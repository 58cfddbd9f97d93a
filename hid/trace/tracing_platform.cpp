#include "hid/trace/tracing_platform.h"

#include <cstdio>

#include "hid/device_access.h"
#include "hid/device_identity.h"
#include "hid/utf8_text.h"

namespace zentrel::trace {

TracingPlatform::TracingPlatform(std::unique_ptr<HidPlatform> inner, Clock& clock)
    : inner_(std::move(inner)), clock_(clock), zeroUs_(clock.NowUs()) {}

void TracingPlatform::AddSink(std::unique_ptr<TraceSink> sink) {
  std::lock_guard<std::mutex> hold(lock_);
  sinks_.push_back(std::move(sink));
}

TraceRecord TracingPlatform::Begin(TraceCall call, std::uint64_t startUs, bool ok,
                                   HidHandle h) {
  TraceRecord record;
  record.Call = call;
  // Asked first: nothing may come between the failed call and its reason.
  if (!ok) record.Error = inner_->LastError(h);
  record.Ok = ok;
  record.DurationUs = clock_.NowUs() - startUs;
  record.AtUs = startUs - zeroUs_;
  return record;
}

std::size_t TracingPlatform::Fetched(const TraceRecord& record, std::size_t length) {
  if (record.Ok) return length;
  return record.Error.What == HidError::Kind::Short ? record.Error.Moved : 0;
}

void TracingPlatform::Emit(TraceRecord& record) {
  for (const auto& sink : sinks_) sink->Write(record);
}

std::string TracingPlatform::BoardOf(const std::string& path) {
  const std::string port = inner_->GetLocation(path);
  return port.empty() ? path : port;
}

void TracingPlatform::Enumerate(const std::function<bool(const HidCollection&)>& visit) {
  std::size_t seen = 0, qualified = 0;
  const std::uint64_t start = clock_.NowUs();
  inner_->Enumerate([&](const HidCollection& c) {
    ++seen;
    if (IsBootCandidate(c)) ++qualified;
    return visit(c);
  });
  TraceRecord record = Begin(TraceCall::Enumerate, start, true, kNoHidHandle);
  record.Detail = std::to_string(seen) + (seen == 1 ? " collection, " : " collections, ") +
                  std::to_string(qualified) + " qualified";
  std::lock_guard<std::mutex> hold(lock_);
  Emit(record);
}

HidHandle TracingPlatform::Open(const std::string& path) {
  const std::uint64_t start = clock_.NowUs();
  const HidHandle h = inner_->Open(path);
  TraceRecord record = Begin(TraceCall::Open, start, h != kNoHidHandle, kNoHidHandle);
  record.Detail = path;
  record.Board = BoardOf(path);
  std::lock_guard<std::mutex> hold(lock_);
  if (h != kNoHidHandle) handles_[h] = Handle{record.Board, {}};
  Emit(record);
  return h;
}

bool TracingPlatform::GetAttributes(HidHandle h, std::uint16_t& vendorId,
                                    std::uint16_t& productId) {
  const std::uint64_t start = clock_.NowUs();
  const bool ok = inner_->GetAttributes(h, vendorId, productId);
  TraceRecord record = Begin(TraceCall::Attributes, start, ok, h);
  if (ok) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X", static_cast<unsigned>(vendorId),
                  static_cast<unsigned>(productId));
    record.Detail = ids;
    record.VendorId = vendorId;
    record.ProductId = productId;
  }
  std::lock_guard<std::mutex> hold(lock_);
  record.Board = handles_[h].Board;
  Emit(record);
  return ok;
}

bool TracingPlatform::String(TraceCall call, HidHandle h, char16_t* units, std::size_t count) {
  const std::uint64_t start = clock_.NowUs();
  const bool ok = call == TraceCall::ProductString ? inner_->GetProductString(h, units, count)
                                                   : inner_->GetSerialNumber(h, units, count);
  TraceRecord record = Begin(call, start, ok, h);
  if (ok && count > 0) {
    // The platform ends the string with a zero unit within count.
    std::u16string text;
    for (std::size_t i = 0; i < count && units[i] != 0; ++i) text += units[i];
    record.Detail = "\"" + Utf8FromUtf16(text.c_str()) + "\"";
  }
  std::lock_guard<std::mutex> hold(lock_);
  record.Board = handles_[h].Board;
  Emit(record);
  return ok;
}

bool TracingPlatform::GetProductString(HidHandle h, char16_t* units, std::size_t count) {
  return String(TraceCall::ProductString, h, units, count);
}

bool TracingPlatform::GetSerialNumber(HidHandle h, char16_t* units, std::size_t count) {
  return String(TraceCall::SerialNumber, h, units, count);
}

bool TracingPlatform::SetFeature(HidHandle h, const std::uint8_t* data, std::size_t length) {
  const std::uint64_t start = clock_.NowUs();
  const bool ok = inner_->SetFeature(h, data, length);
  TraceRecord record = Begin(TraceCall::SetFeature, start, ok, h);
  record.Data = data;
  record.Length = record.Moved = length;
  record.Meaning = DescribeCommand(data, length);
  std::lock_guard<std::mutex> hold(lock_);
  Handle& handle = handles_[h];
  record.Board = handle.Board;
  if (ok) NoteCommand(handle.Talk, data, length);
  Emit(record);
  return ok;
}

bool TracingPlatform::GetFeature(HidHandle h, std::uint8_t* data, std::size_t length) {
  const std::uint64_t start = clock_.NowUs();
  const bool ok = inner_->GetFeature(h, data, length);
  TraceRecord record = Begin(TraceCall::GetFeature, start, ok, h);
  record.Data = data;
  record.Length = length;
  record.Moved = Fetched(record, length);
  std::lock_guard<std::mutex> hold(lock_);
  Handle& handle = handles_[h];
  record.Board = handle.Board;
  if (ok) record.Meaning = DescribeStatus(data, length, handle.Talk);
  Emit(record);
  return ok;
}

bool TracingPlatform::WriteOutput(HidHandle h, const std::uint8_t* data, std::size_t length) {
  const std::uint64_t start = clock_.NowUs();
  const bool ok = inner_->WriteOutput(h, data, length);
  TraceRecord record = Begin(TraceCall::WriteOutput, start, ok, h);
  record.Data = data;
  record.Length = record.Moved = length;
  std::lock_guard<std::mutex> hold(lock_);
  Handle& handle = handles_[h];
  record.Board = handle.Board;
  record.Meaning = DescribeData(handle.Talk);
  // Counted whether or not it arrived: the next one is meant for the next place.
  NoteData(handle.Talk);
  Emit(record);
  return ok;
}

bool TracingPlatform::ReadInput(HidHandle h, std::uint8_t* data, std::size_t length,
                                int timeoutMs) {
  const std::uint64_t start = clock_.NowUs();
  const bool ok = inner_->ReadInput(h, data, length, timeoutMs);
  TraceRecord record = Begin(TraceCall::ReadInput, start, ok, h);
  record.Data = data;
  record.Length = length;
  record.Moved = Fetched(record, length);
  record.TimeoutMs = timeoutMs;
  if (ok) record.Meaning = DescribeStrings(data, length);
  std::lock_guard<std::mutex> hold(lock_);
  record.Board = handles_[h].Board;
  Emit(record);
  return ok;
}

void TracingPlatform::Close(HidHandle h) {
  const std::uint64_t start = clock_.NowUs();
  inner_->Close(h);
  TraceRecord record = Begin(TraceCall::Close, start, true, h);
  std::lock_guard<std::mutex> hold(lock_);
  auto it = handles_.find(h);
  if (it != handles_.end()) {
    record.Board = it->second.Board;
    handles_.erase(it);
  }
  Emit(record);
}

std::string TracingPlatform::GetLocation(const std::string& path) {
  return inner_->GetLocation(path);
}

std::vector<UnopenableDevice> TracingPlatform::FindUnopenable(std::uint16_t vendorId,
                                                              std::uint16_t productId) {
  return inner_->FindUnopenable(vendorId, productId);
}

HidError TracingPlatform::LastError(HidHandle h) { return inner_->LastError(h); }

}  // namespace zentrel::trace
