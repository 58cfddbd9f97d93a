// One bit per image byte, so that a reader catches a byte written twice in
// one pass, whatever order the file gives its pieces in.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_store.h"

namespace zentrel {

class WrittenBytes {
 public:
  bool Test(std::uint32_t at) const { return (bits_[at / 64] >> (at % 64)) & 1u; }
  void Set(std::uint32_t at) { bits_[at / 64] |= std::uint64_t{1} << (at % 64); }

 private:
  std::array<std::uint64_t, (kImageBufferSize + 63) / 64> bits_{};
};

}  // namespace zentrel
