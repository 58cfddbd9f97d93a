// Memory image reader on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "image/memory_image_reader.h"
#include "image_invariants.h"

namespace {
zentrel::ImageBytes image;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The loader never hands over more than a full FileBuffer.
  if (size > zentrel::kFileBufferSize) return 0;
  image.fill(0);
  const zentrel::ReadResult result =
      zentrel::ReadMemoryImage(data, static_cast<std::uint32_t>(size), image);
  zentrel::fuzz::CheckReadResult(result, data, size, image);
  // Two digits per image byte and the mark, after a header of 42 or more.
  if (result.Ok) FUZZ_CHECK(43u + 2u * std::size_t{result.Length} <= size);
  // A header line of 41 characters and its CR LF or LF is never refused.
  if (!result.Ok && result.Line == 0) {
    bool plain = size >= 42;
    for (std::size_t i = 0; plain && i < 41; ++i) plain = data[i] != '\n';
    const bool crlf = size >= 43 && data[41] == '\r' && data[42] == '\n';
    FUZZ_CHECK(!(plain && (crlf || data[41] == '\n')));
  }
  return 0;
}
