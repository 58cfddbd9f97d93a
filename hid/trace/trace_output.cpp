#include "hid/trace/trace_output.h"

#include <cerrno>
#include <cstring>

namespace zentrel::trace {

TraceOutput::~TraceOutput() {
  if (own_) std::fclose(out_);
}

void TraceOutput::Write(const void* data, std::size_t size) {
  if (broken_) return;
  if ((size == 0 || std::fwrite(data, 1, size, out_) == size) && std::fflush(out_) == 0) return;
  const int error = errno;
  broken_ = true;
  if (failed_) failed_(std::strerror(error));
}

}  // namespace zentrel::trace
