// A trace's file, written piece by piece and flushed after each, so that the
// trace of a run that hangs or is stopped is whole up to then. The first
// write that fails is told, with why, and ends the file's trace: what came
// after a piece cut short could not be read.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

namespace zentrel::trace {

// Told once, with the reason, when a trace file cannot be written.
using WriteFailed = std::function<void(const std::string& reason)>;

class TraceOutput {
 public:
  // With own, out is closed with this.
  TraceOutput(std::FILE* out, bool own, WriteFailed failed = {})
      : out_(out), own_(own), failed_(std::move(failed)) {}
  ~TraceOutput();
  TraceOutput(const TraceOutput&) = delete;
  TraceOutput& operator=(const TraceOutput&) = delete;

  void Write(const void* data, std::size_t size);

 private:
  std::FILE* out_;
  bool own_;
  WriteFailed failed_;
  bool broken_ = false;
};

}  // namespace zentrel::trace
