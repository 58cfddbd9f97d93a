// The ELF reader on files made by a tiny header writer: every class and byte
// order, the load address against the run address, and each refusal. The
// real toolchain's files are checked by check_firmware_formats.sh.
#include "image/elf_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image_test_support.h"

namespace zentrel {
namespace {

struct Segment {
  std::uint32_t Type = 1;  // PT_LOAD
  std::uint64_t Offset = 0, VAddr = 0, PAddr = 0, FileSize = 0, MemSize = 0;
};

// An ELF file: the header, the program headers right after it, then body
// at offset 0x200; fields as named, the rest zero.
struct ElfFile {
  bool Is64 = false;
  bool Big = false;
  std::uint16_t Type = 2;  // ET_EXEC
  std::vector<Segment> Segments;
  std::string Body;
  std::uint8_t ClassByte = 0;       // 0: from Is64
  std::uint16_t PhEntSize = 0;      // 0: the class's
  std::int32_t PhNum = -1;          // -1: the segments'
  std::size_t CutTo = 0;            // 0: the whole file

  std::string Bytes() const {
    std::string f(0x200, '\0');
    auto put = [&](std::size_t at, std::uint64_t value, int size) {
      for (int i = 0; i < size; ++i) {
        const int shift = 8 * (Big ? size - 1 - i : i);
        f.at(at + i) = static_cast<char>(value >> shift);
      }
    };
    f.replace(0, 4, "\x7F" "ELF");
    f[4] = static_cast<char>(ClassByte != 0 ? ClassByte : (Is64 ? 2 : 1));
    f[5] = static_cast<char>(Big ? 2 : 1);
    f[6] = 1;
    put(16, Type, 2);
    const int word = Is64 ? 8 : 4;
    const std::uint16_t entSize = PhEntSize != 0 ? PhEntSize : (Is64 ? 56 : 32);
    const std::uint64_t phOff = Is64 ? 64 : 52;
    put(Is64 ? 32 : 28, phOff, word);
    put(Is64 ? 54 : 42, entSize, 2);
    put(Is64 ? 56 : 44, PhNum >= 0 ? static_cast<std::uint64_t>(PhNum) : Segments.size(), 2);
    for (std::size_t n = 0; n < Segments.size(); ++n) {
      const Segment& s = Segments[n];
      const std::size_t at = phOff + n * (Is64 ? 56 : 32);
      put(at, s.Type, 4);
      put(at + (Is64 ? 8 : 4), s.Offset, word);
      put(at + (Is64 ? 16 : 8), s.VAddr, word);
      put(at + (Is64 ? 24 : 12), s.PAddr, word);
      put(at + (Is64 ? 32 : 16), s.FileSize, word);
      put(at + (Is64 ? 40 : 20), s.MemSize, word);
    }
    f += Body;
    if (CutTo != 0) f.resize(CutTo);
    return f;
  }
};

bool ReadFromString(void* context, std::uint64_t offset, std::uint8_t* into, std::uint32_t count) {
  const auto* bytes = static_cast<const std::string*>(context);
  if (offset > bytes->size() || count > bytes->size() - offset) return false;
  std::memcpy(into, bytes->data() + offset, count);
  return true;
}

ReadResult Read(const std::string& file, ImageBytes& image, ImageLayout& layout) {
  std::string copy = file;
  const ByteSource source{&copy, copy.size(), ReadFromString};
  return ReadElf(source, image, layout);
}

// Code at 0x08001000, then initialised data that runs at 0x20000000 but is
// loaded right after the code, 16 bytes of it zeroed RAM (.bss); a note.
ElfFile Firmware(bool is64, bool big) {
  ElfFile elf;
  elf.Is64 = is64;
  elf.Big = big;
  elf.Body = "CODE0123DATA" "ZZZZ";  // ZZZZ: bytes of the file after the data
  elf.Segments = {{4, 0x200, 0, 0, 4, 4},  // PT_NOTE: never loaded
                  {1, 0x200, 0x08001000, 0x08001000, 8, 8},
                  {1, 0x208, 0x20000000, 0x08001008, 4, 8},
                  {1, 0x20C, 0x20000100, 0x20000100, 0, 64}};  // .bss alone: nothing in the file
  return elf;
}

TEST(ElfReader, SegmentsLandAtTheirLoadAddressInEveryClassAndByteOrder) {
  for (const bool is64 : {false, true}) {
    for (const bool big : {false, true}) {
      SCOPED_TRACE(std::string(is64 ? "ELF64 " : "ELF32 ") + (big ? "big" : "little"));
      auto image = std::make_unique<ImageBytes>();
      ImageLayout layout;
      const ReadResult result = Read(Firmware(is64, big).Bytes(), *image, layout);
      ASSERT_TRUE(result.Ok) << result.Cause;
      EXPECT_EQ(result.Length, 0x100Cu);
      EXPECT_EQ(layout.Origin, 0x08000000u);
      auto expected = std::make_unique<ImageBytes>();
      std::memcpy(expected->data() + 0x1000, "CODE0123DATA", 12);
      EXPECT_TRUE(*image == *expected) << "p_memsz beyond p_filesz, or p_vaddr, was written";
      ASSERT_EQ(layout.RangeCount, 2u);
      EXPECT_EQ(layout.Ranges[0].Segment, 1u);
      EXPECT_EQ(layout.Ranges[1].Segment, 2u);
      EXPECT_EQ(layout.Ranges[1].Address, 0x08001008u);
      EXPECT_EQ(layout.Ranges[1].Length, 4u);
      EXPECT_EQ(layout.Ranges[1].RunAddress, 0x20000000u);
      EXPECT_EQ(layout.BootAreaBytes, 0u);
    }
  }
}

struct Fault {
  const char* Name;
  ElfFile File;
  std::uint32_t Line;  // the program header's number + 1; 0: the file
  std::string Cause;
};

void PrintTo(const Fault& c, std::ostream* os) { *os << c.Name; }

ElfFile With(ElfFile elf, void (*change)(ElfFile&)) {
  change(elf);
  return elf;
}

std::vector<Fault> Faults() {
  const ElfFile fw = Firmware(false, false);
  return {
      {"NotElf", With(fw, [](ElfFile& e) { e.CutTo = 3; }), 0, "not an ELF file"},
      {"HeaderCutShort", With(fw, [](ElfFile& e) { e.CutTo = 40; }), 0, "truncated ELF header"},
      {"Elf64HeaderCutShort", With(Firmware(true, true), [](ElfFile& e) { e.CutTo = 60; }), 0,
       "truncated ELF header"},
      {"UnknownClass", With(fw, [](ElfFile& e) { e.ClassByte = 3; }), 0, "unknown ELF class"},
      {"Relocatable", With(fw, [](ElfFile& e) { e.Type = 1; }), 0, "not an executable (ET_EXEC)"},
      {"SharedObject", With(fw, [](ElfFile& e) { e.Type = 3; }), 0, "not an executable (ET_EXEC)"},
      {"ProgramHeaderSize", With(fw, [](ElfFile& e) { e.PhEntSize = 56; }), 0,
       "program header size does not match the ELF class"},
      {"NoProgramHeaders", With(fw, [](ElfFile& e) { e.PhNum = 0; }), 0, "no loadable segment"},
      {"OnlyBssAndNotes",
       With(fw, [](ElfFile& e) { e.Segments.erase(e.Segments.begin() + 1, e.Segments.begin() + 3); }),
       0, "no loadable segment"},
      {"ProgramHeadersCutShort", With(fw, [](ElfFile& e) { e.CutTo = 52 + 3 * 32 + 10; }), 0,
       "truncated program headers"},
      {"SegmentCutShort", With(fw, [](ElfFile& e) { e.CutTo = 0x20A; }), 3,
       "segment bytes beyond the end of the file"},
      {"SegmentBeyondTheImage",
       With(fw, [](ElfFile& e) { e.Segments[2].PAddr = 0x08000000 + 260000 - 2; }), 3,
       "data beyond the 260000-byte image"},
      // Placed by p_vaddr, the data would lie here: refused, not dropped.
      {"DataLoadedIntoRam", With(fw, [](ElfFile& e) { e.Segments[2].PAddr = 0x20000000; }), 3,
       "data beyond the 260000-byte image"},
      {"SegmentsOverlap", With(fw, [](ElfFile& e) { e.Segments[2].PAddr = 0x08001007; }), 3,
       "byte written twice"},
  };
}

class ElfRefused : public ::testing::TestWithParam<Fault> {};

TEST_P(ElfRefused, NamesTheFault) {
  const Fault& c = GetParam();
  auto image = std::make_unique<ImageBytes>();
  ImageLayout layout;
  const ReadResult result = Read(c.File.Bytes(), *image, layout);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Line, c.Line);
  ASSERT_NE(result.Cause, nullptr);
  EXPECT_EQ(std::string(result.Cause), c.Cause);
}

INSTANTIATE_TEST_SUITE_P(Rows, ElfRefused, ::testing::ValuesIn(Faults()), test::kRowName);

}  // namespace
}  // namespace zentrel
