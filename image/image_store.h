// The one firmware image of a run: the raw bytes of the file read last and
// the flash image built from them, indexed by device address.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/firmware_format.h"
#include "protocol/download_accounting.h"  // kBootAreaSize

namespace zentrel {

inline constexpr std::size_t kImageBufferSize = 260000;

// Room for the text of every image that fits ImageBuffer, in either format.
// Intel HEX costs the most: a record of n data bytes takes 13 + 2n
// characters with CR LF, so 1-byte records spend 15 characters per byte and
// a full 260000-byte image 3900000 characters, plus a few address records
// (17 characters per 64 KiB). A memory image needs at most 43 + 4 × 260000
// + 3 (one pair per CR LF line). 4 MiB holds either with room to spare; a
// longer file is refused unread.
inline constexpr std::size_t kFileBufferSize = 4u * 1024u * 1024u;

using ImageBytes = std::array<std::uint8_t, kImageBufferSize>;
using FileBytes = std::array<std::uint8_t, kFileBufferSize>;

// Written only by a load; the roads read it and keep their own write cursor,
// so that boards flashed side by side share one store.
struct ImageStore {
  FileBytes FileBuffer{};
  ImageBytes ImageBuffer{};
  std::uint32_t FileLength = 0;   // bytes of the file read last in FileBuffer
  std::uint32_t ImageLength = 0;
  std::uint8_t ImageLoaded = 0;
  char ImageKind = 0;             // 'h' Intel HEX (and every flat image), 'm' memory image
  FirmwareFormat Format = FirmwareFormat::None;  // of the file loaded last
  // SHA-256 of the whole file loaded last, also of one never held whole in
  // FileBuffer (ELF); "" before a load.
  std::array<char, 65> FileSha256{};
};

}  // namespace zentrel
