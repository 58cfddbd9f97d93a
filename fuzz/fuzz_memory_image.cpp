// Memory image reader on arbitrary text.
#include <cstddef>
#include <cstdint>

#include "image/memory_image_reader.h"
#include "image_invariants.h"

namespace {
zentrel::ImageBytes image;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > zentrel::kImageBufferSize) return 0;
  image.fill(0);
  const zentrel::ReadResult result =
      zentrel::ReadMemoryImage(data, static_cast<std::uint32_t>(size), image);
  zentrel::fuzz::CheckReadResult(result, data, size, image);
  // Two digits per image byte, after the header.
  if (result.Ok) FUZZ_CHECK(44u + 2u * std::size_t{result.Length} <= size);
  return 0;
}
