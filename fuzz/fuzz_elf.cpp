// ELF reader on arbitrary bytes, read by offset as from a file.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "image/elf_reader.h"
#include "image_invariants.h"

namespace {

zentrel::ImageBytes image;

struct Input {
  const std::uint8_t* Data;
  std::size_t Size;
};

// The reader asks only for bytes within the size it was given.
bool ReadInput(void* context, std::uint64_t offset, std::uint8_t* into, std::uint32_t count) {
  const auto* input = static_cast<const Input*>(context);
  FUZZ_CHECK(offset <= input->Size && count <= input->Size - offset);
  std::memcpy(into, input->Data + offset, count);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  image.fill(0);
  Input input{data, size};
  const zentrel::ByteSource source{&input, size, ReadInput};
  zentrel::ImageLayout layout;
  const zentrel::ReadResult result = zentrel::ReadElf(source, image, layout);
  if (!result.Ok) {
    FUZZ_CHECK(result.Cause != nullptr && result.Cause[0] != '\0');
    return 0;
  }
  FUZZ_CHECK(result.Cause == nullptr);
  zentrel::fuzz::CheckImageEndsAt(image, result.Length);
  zentrel::fuzz::CheckLayout(layout, result.Length);
  return 0;
}
