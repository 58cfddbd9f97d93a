// Lays the pieces of a file that gives absolute addresses (S-record, ELF,
// raw binary) into ImageBuffer as an Intel HEX file with the same bytes in
// address order would lie: the 64 KiB window that holds the lowest address
// is the image's address 0, so a firmware linked at 0x08001000 lands at
// 0x1000. Records what went where, for `zentrel-flash image` to show.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_store.h"
#include "image/written_bytes.h"

namespace zentrel {

// One piece of the file, or a run of pieces that follow each other.
struct PlacedRange {
  std::uint64_t Address = 0;     // first byte, as the file addresses it (load address)
  std::uint64_t Length = 0;
  std::uint64_t RunAddress = 0;  // ELF: where the program sees it (p_vaddr); else Address
  std::uint32_t Segment = 0;     // ELF: the program header's number, from 0
};

inline constexpr std::size_t kListedRanges = 32;

struct ImageLayout {
  std::uint64_t Origin = 0;  // the file's address of image address 0
  std::array<PlacedRange, kListedRanges> Ranges{};
  std::uint32_t RangeCount = 0;   // listed in Ranges
  std::uint32_t MoreRanges = 0;   // not listed, only counted
  std::uint32_t BootAreaBytes = 0;  // image bytes below kBootAreaSize: never sent
};

// The 64 KiB window of the lowest address written.
inline std::uint64_t OriginFor(std::uint64_t lowest) { return lowest & ~std::uint64_t{0xFFFF}; }

inline constexpr const char* kBeyondImageCause = "data beyond the 260000-byte image";
inline constexpr const char* kWrittenTwiceCause = "byte written twice";

class ImagePlacement {
 public:
  // lowest: the lowest address that any piece of the file writes.
  ImagePlacement(ImageBytes& image, ImageLayout& layout, std::uint64_t lowest);

  // Claims piece.Length bytes at piece.Address and gives where they go; the
  // caller writes exactly those. The cause when they fall outside the image
  // or on a byte claimed before. join: list it as part of the range before
  // when it follows that range directly (records of a text), else as a
  // range of its own (an ELF segment).
  const char* Claim(const PlacedRange& piece, bool join, std::uint8_t*& into);

  // Claim, and copy data there.
  const char* Place(const PlacedRange& piece, bool join, const std::uint8_t* data);

  // One past the highest image byte written.
  std::uint32_t Length() const { return length_; }

 private:
  void List(const PlacedRange& piece, bool join);

  ImageBytes& image_;
  ImageLayout& layout_;
  WrittenBytes written_;
  std::uint32_t length_ = 0;
  std::uint64_t lastEnd_ = 0;  // one past the last range's end; 0 before the first
};

}  // namespace zentrel
