#include "image/elf_reader.h"

#include <array>

namespace zentrel {

namespace {

constexpr std::uint8_t kClass32 = 1;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint8_t kBigEndian = 2;
constexpr std::uint16_t kTypeExecutable = 2;  // ET_EXEC
constexpr std::uint32_t kLoadable = 1;        // PT_LOAD

// The fields of the ELF header and of a program header, per class.
struct Layout {
  std::uint32_t HeaderSize, PhOff, PhOffSize, PhEntSizeAt, PhNumAt, PhEntSize;
  std::uint32_t Offset, VAddr, PAddr, FileSize, WordSize;
};
constexpr Layout kElf32 = {52, 28, 4, 42, 44, 32, 4, 8, 12, 16, 4};
constexpr Layout kElf64 = {64, 32, 8, 54, 56, 56, 8, 16, 24, 32, 8};

class Fields {
 public:
  Fields(const std::uint8_t* bytes, bool big) : bytes_(bytes), big_(big) {}
  std::uint64_t At(std::uint32_t offset, std::uint32_t size) const {
    std::uint64_t value = 0;
    for (std::uint32_t i = 0; i < size; ++i) {
      const std::uint32_t at = big_ ? offset + i : offset + size - 1 - i;
      value = value << 8 | bytes_[at];
    }
    return value;
  }

 private:
  const std::uint8_t* bytes_;
  bool big_;
};

struct Segment {
  bool Loads = false;  // PT_LOAD with bytes in the file
  std::uint64_t Offset = 0, VAddr = 0, PAddr = 0, FileSize = 0;
};

class ElfFile {
 public:
  explicit ElfFile(const ByteSource& file) : file_(file) {}

  // The ELF header's checks; Line 0 faults.
  const char* ReadHeader() {
    std::array<std::uint8_t, 64> header{};
    const auto got = static_cast<std::uint32_t>(file_.Size < header.size() ? file_.Size : header.size());
    if (!Read(0, header.data(), got)) return kReadFailed;
    if (!HasElfMagic(header.data(), got)) return "not an ELF file";
    if (got < 16) return "truncated ELF header";
    const std::uint8_t elfClass = header[4], order = header[5];
    if (elfClass != kClass32 && elfClass != kClass64) return "unknown ELF class";
    if (order != kLittleEndian && order != kBigEndian) return "unknown ELF byte order";
    if (header[6] != 1) return "unknown ELF version";
    layout_ = elfClass == kClass32 ? &kElf32 : &kElf64;
    big_ = order == kBigEndian;
    if (got < layout_->HeaderSize) return "truncated ELF header";
    const Fields f(header.data(), big_);
    if (f.At(16, 2) != kTypeExecutable) return "not an executable (ET_EXEC)";
    phOff_ = f.At(layout_->PhOff, layout_->PhOffSize);
    phNum_ = static_cast<std::uint32_t>(f.At(layout_->PhNumAt, 2));
    if (phNum_ == 0) return "no loadable segment";
    if (f.At(layout_->PhEntSizeAt, 2) != layout_->PhEntSize) {
      return "program header size does not match the ELF class";
    }
    const std::uint64_t tableSize = std::uint64_t{phNum_} * layout_->PhEntSize;
    if (phOff_ > file_.Size || tableSize > file_.Size - phOff_) return "truncated program headers";
    return nullptr;
  }

  std::uint32_t SegmentCount() const { return phNum_; }

  // Program header n; false when it could not be read.
  bool ReadSegment(std::uint32_t n, Segment& segment) {
    std::array<std::uint8_t, 56> bytes{};
    if (!Read(phOff_ + std::uint64_t{n} * layout_->PhEntSize, bytes.data(), layout_->PhEntSize)) {
      return false;
    }
    const Fields f(bytes.data(), big_);
    const std::uint32_t word = layout_->WordSize;
    segment.Offset = f.At(layout_->Offset, word);
    segment.VAddr = f.At(layout_->VAddr, word);
    segment.PAddr = f.At(layout_->PAddr, word);
    segment.FileSize = f.At(layout_->FileSize, word);
    segment.Loads = f.At(0, 4) == kLoadable && segment.FileSize > 0;
    return true;
  }

  bool Read(std::uint64_t offset, std::uint8_t* into, std::uint32_t count) {
    return count == 0 || file_.ReadAt(file_.Context, offset, into, count);
  }

  static constexpr const char* kReadFailed = "the file could not be read";

 private:
  const ByteSource& file_;
  const Layout* layout_ = &kElf32;
  bool big_ = false;
  std::uint64_t phOff_ = 0;
  std::uint32_t phNum_ = 0;
};

}  // namespace

bool HasElfMagic(const std::uint8_t* bytes, std::size_t count) {
  return count >= 4 && bytes[0] == 0x7F && bytes[1] == 'E' && bytes[2] == 'L' && bytes[3] == 'F';
}

ReadResult ReadElf(const ByteSource& file, ImageBytes& image, ImageLayout& layout) {
  ElfFile elf(file);
  if (const char* cause = elf.ReadHeader()) return ReadRefused(0, cause);

  // First every header: the segments' bytes in the file, and the lowest
  // load address, which places them all.
  std::uint64_t lowest = UINT64_MAX;
  Segment segment;
  for (std::uint32_t n = 0; n < elf.SegmentCount(); ++n) {
    if (!elf.ReadSegment(n, segment)) return ReadRefused(0, ElfFile::kReadFailed);
    if (!segment.Loads) continue;
    if (segment.Offset > file.Size || segment.FileSize > file.Size - segment.Offset) {
      return ReadRefusedAt(n + 1, "segment bytes beyond the end of the file", segment.PAddr);
    }
    if (segment.PAddr < lowest) lowest = segment.PAddr;
  }
  if (lowest == UINT64_MAX) return ReadRefused(0, "no loadable segment");

  ImagePlacement placement(image, layout, lowest);
  for (std::uint32_t n = 0; n < elf.SegmentCount(); ++n) {
    if (!elf.ReadSegment(n, segment)) return ReadRefused(0, ElfFile::kReadFailed);
    if (!segment.Loads) continue;
    std::uint8_t* into = nullptr;
    const PlacedRange piece{segment.PAddr, segment.FileSize, segment.VAddr, n};
    if (const char* cause = placement.Claim(piece, false, into)) {
      return ReadRefusedAt(n + 1, cause, segment.PAddr);
    }
    // Claimed, so at most the image's 260000 bytes.
    if (!elf.Read(segment.Offset, into, static_cast<std::uint32_t>(segment.FileSize))) {
      return ReadRefused(0, ElfFile::kReadFailed);
    }
  }
  return ReadSucceeded(placement.Length());
}

}  // namespace zentrel
