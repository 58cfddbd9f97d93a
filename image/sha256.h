// SHA-256 of a byte range, as lower-case hexadecimal: the firmware file's
// identity in a production record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrel {

// A digest fed piece by piece, for a file that is read in parts.
class Sha256 {
 public:
  Sha256();
  void Update(const std::uint8_t* data, std::size_t length);
  // Once, after the last Update.
  std::string HexDigest();

 private:
  std::array<std::uint32_t, 8> h_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t pending_ = 0;  // bytes of block_ in use
  std::uint64_t total_ = 0;
};

std::string Sha256Hex(const std::uint8_t* data, std::size_t length);

}  // namespace zentrel
