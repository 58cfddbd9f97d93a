// Intel HEX reader on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "image/intel_hex_reader.h"
#include "image_invariants.h"

namespace {
zentrel::ImageBytes image;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The loader never hands over more than a full FileBuffer.
  if (size > zentrel::kFileBufferSize) return 0;
  image.fill(0);
  const zentrel::ReadResult result =
      zentrel::ReadIntelHex(data, static_cast<std::uint32_t>(size), image);
  zentrel::fuzz::CheckReadResult(result, data, size, image);
  // Only a memory image has a header to name.
  if (!result.Ok) FUZZ_CHECK(result.Line >= 1);
  return 0;
}
