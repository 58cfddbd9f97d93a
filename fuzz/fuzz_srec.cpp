// S-record reader on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "image/srec_reader.h"
#include "image_invariants.h"

namespace {
zentrel::ImageBytes image;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The loader never hands over more than a full FileBuffer.
  if (size > zentrel::kFileBufferSize) return 0;
  image.fill(0);
  zentrel::ImageLayout layout;
  const zentrel::ReadResult result =
      zentrel::ReadSRecord(data, static_cast<std::uint32_t>(size), image, layout);
  zentrel::fuzz::CheckReadResult(result, data, size, image);
  if (!result.Ok) {
    FUZZ_CHECK(result.Line >= 1);
    return 0;
  }
  zentrel::fuzz::CheckLayout(layout, result.Length);
  return 0;
}
