// The one firmware image of a run: the raw bytes of the file read last and
// the flash image built from them, indexed by device address.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zentrel {

inline constexpr std::size_t kImageBufferSize = 260000;
// Device addresses below this hold the boot loader and are never sent.
inline constexpr std::uint32_t kBootAreaSize = 4096;

// A buffer of FileBuffer's or ImageBuffer's fixed size.
using ImageBytes = std::array<std::uint8_t, kImageBufferSize>;

struct ImageStore {
  std::array<std::uint8_t, kImageBufferSize> FileBuffer{};
  std::array<std::uint8_t, kImageBufferSize> ImageBuffer{};
  std::uint32_t FileLength = 0;   // bytes of the file read last in FileBuffer
  std::uint32_t ImageLength = 0;
  std::uint8_t ImageLoaded = 0;
  char ImageKind = 0;             // 'h' Intel HEX, 'm' memory image
  std::uint32_t WriteCursor = 0;  // offset in ImageBuffer of the next packet
};

}  // namespace zentrel
