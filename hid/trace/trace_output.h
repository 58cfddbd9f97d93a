// A trace's file, written piece by piece and flushed after each, so that the
// trace of a run that hangs or is stopped is whole up to then. The first
// write that fails is told, with why, and ends the file's trace: what came
// after a piece cut short could not be read. A piece cut short (a full disk)
// is cut off again, so that the file ends with its last whole line or block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>

namespace zentrel::trace {

// Told once, with the reason, when a trace file cannot be written.
using WriteFailed = std::function<void(const std::string& reason)>;

class TraceOutput {
 public:
  // With own, out is closed with this and written unbuffered, so that a
  // piece that fails leaves nothing behind to be written later; path names
  // it when it is a file that this made.
  TraceOutput(std::FILE* out, bool own, WriteFailed failed = {}, std::string path = {});
  ~TraceOutput();
  TraceOutput(const TraceOutput&) = delete;
  TraceOutput& operator=(const TraceOutput&) = delete;

  void Write(const void* data, std::size_t size);

 private:
  std::FILE* out_;
  bool own_;
  WriteFailed failed_;
  std::string path_;
  std::uintmax_t whole_ = 0;  // bytes of the pieces written whole
  bool broken_ = false;
};

}  // namespace zentrel::trace
