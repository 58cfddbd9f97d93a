#include "hid/trace/trace_output.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace zentrel::trace {

TraceOutput::TraceOutput(std::FILE* out, bool own, WriteFailed failed, std::string path)
    : out_(out), own_(own), failed_(std::move(failed)), path_(std::move(path)) {
  if (own_) std::setvbuf(out_, nullptr, _IONBF, 0);
}

TraceOutput::~TraceOutput() {
  if (own_) std::fclose(out_);
}

void TraceOutput::Write(const void* data, std::size_t size) {
  if (broken_) return;
  if ((size == 0 || std::fwrite(data, 1, size, out_) == size) && std::fflush(out_) == 0) {
    whole_ += size;
    return;
  }
  const int error = errno;
  broken_ = true;
  // A reader takes the file whole only if it does not end inside a piece.
  std::error_code ignored;
  if (!path_.empty() && std::filesystem::is_regular_file(path_, ignored)) {
    std::filesystem::resize_file(path_, whole_, ignored);
  }
  if (failed_) failed_(std::strerror(error));
}

}  // namespace zentrel::trace
