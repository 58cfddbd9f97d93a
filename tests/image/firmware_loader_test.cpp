// The command line's load: which reader a file gets and why, the --address
// rule, the box of a refused file, the examples in every format, and an ELF
// larger than the text buffer.
#include "image/firmware_loader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/sha256.h"
#include "image_test_support.h"

namespace zentrel {
namespace {

constexpr auto kNone = FirmwareFormat::None;
constexpr auto kHex = FirmwareFormat::IntelHex;
constexpr auto kMvx = FirmwareFormat::MemoryImage;
constexpr auto kSrec = FirmwareFormat::SRecord;
constexpr auto kElf = FirmwareFormat::Elf;
constexpr auto kBin = FirmwareFormat::Binary;

TEST(ChooseFormat, OptionThenMagicThenExtensionThenTheLetter) {
  struct Row {
    const char* Path;
    bool Magic;
    FirmwareFormat Option;
    FirmwareFormat Format;
    FormatReason Reason;
  };
  const Row rows[] = {
      {"fw.hex", true, kNone, kElf, FormatReason::Magic},
      {"fw", true, kNone, kElf, FormatReason::Magic},
      {"fw.elf", true, kBin, kBin, FormatReason::Option},
      {"fw.s19", false, kHex, kHex, FormatReason::Option},
      {"fw.elf", false, kNone, kElf, FormatReason::Extension},
      {"FW.AXF", false, kNone, kElf, FormatReason::Extension},
      {"fw.out", false, kNone, kElf, FormatReason::Extension},
      {"fw.srec", false, kNone, kSrec, FormatReason::Extension},
      {"FW.S19", false, kNone, kSrec, FormatReason::Extension},
      {"fw.s28", false, kNone, kSrec, FormatReason::Extension},
      {"fw.S37", false, kNone, kSrec, FormatReason::Extension},
      {"fw.mot", false, kNone, kSrec, FormatReason::Extension},
      {"fw.Bin", false, kNone, kBin, FormatReason::Extension},
      {"C:\\out.d\\fw.bin", false, kNone, kBin, FormatReason::Extension},
      // Only the name's own extension: not a folder's.
      {"build.s19/fw.hex", false, kNone, kHex, FormatReason::Letter},
      {"notes.htm", false, kNone, kHex, FormatReason::Letter},
      {"dump.mxy", false, kNone, kMvx, FormatReason::Letter},
      {"APP.HEX", false, kNone, kNone, FormatReason::Letter},
      {"app.hx", false, kNone, kNone, FormatReason::Letter},
      {"fw.bin.txt", false, kNone, kNone, FormatReason::Letter},
  };
  const std::uint8_t elf[4] = {0x7F, 'E', 'L', 'F'};
  const std::uint8_t text[4] = {':', '1', '0', '0'};
  for (const Row& row : rows) {
    const FormatChosen chosen = ChooseFormat(row.Path, row.Magic ? elf : text, 4, row.Option);
    EXPECT_EQ(chosen.Format, row.Format) << row.Path;
    EXPECT_EQ(chosen.Reason, row.Reason) << row.Path;
  }
}

std::string ExamplePath(const char* name) {
  return std::string(ZENTREL_SOURCE_DIR) + "/examples/" + name;
}

struct LoadRow {
  const char* Name;
  std::string FileName;
  std::string Content;  // "@demo.elf": the example's bytes, cut to CutTo when given
  FirmwareChoice Choice;
  const char* Box;  // nullptr: loads
  std::vector<std::uint8_t> At0x1000 = {};
  std::uint32_t Length = 0;
  std::uint32_t BootAreaBytes = 0;
  ChoiceProblem Problem = ChoiceProblem::None;
  std::size_t CutTo = 0;
};

void PrintTo(const LoadRow& c, std::ostream* os) { *os << c.Name; }

FirmwareChoice At(std::uint64_t address) { return {kNone, true, address}; }
FirmwareChoice Forced(FirmwareFormat format) { return {format, false, 0}; }

const std::string kHexText = ":03100000010203E7\r\n:00000001FF\r\n";

std::vector<LoadRow> LoadRows() {
  return {
      {"BinaryAt0x1000", "app.bin", "\x01\x02\x03", At(0x1000), nullptr, {1, 2, 3}, 0x1003},
      {"BinaryAtTheFlashBase", "app.BIN", "\x01\x02\x03", At(0x08001000), nullptr, {1, 2, 3},
       0x1003},
      {"WholeFlashDumpAt0", "dump.bin", std::string(0x1002, '\x05'), At(0), nullptr, {5, 5},
       0x1002, 4096},
      {"BinaryBeyondTheImage", "app.bin", std::string(255905, '\x01'), At(0x1000),
       "File format error: data beyond the 260000-byte image (address 0x00001000)"},
      {"BinaryUpToTheEnd", "app.bin", std::string(255904, '\x01'), At(0x1000), nullptr,
       {1, 1}, 260000},
      {"BinaryNeedsAnAddress", "app.bin", "\x01", {}, nullptr, {}, 0, 0,
       ChoiceProblem::AddressMissing},
      // Judged before the file is looked at: there is none.
      {"ForcedBinaryNeedsAnAddress", "no_such.hex", "", Forced(kBin), nullptr, {}, 0, 0,
       ChoiceProblem::AddressMissing},
      {"AddressForAHexFile", "app.hex", kHexText, At(0x1000), nullptr, {}, 0, 0,
       ChoiceProblem::AddressUnused},
      {"AddressForAnElfNamedBin", "app.bin", "@demo.elf", At(0x1000), nullptr, {}, 0, 0,
       ChoiceProblem::AddressUnused},
      {"ElfByItsMagicWhateverItsName", "app.hex", "@demo.elf", {}, nullptr, {0x00, 0x80, 0x00},
       5096},
      {"ElfHeaderCutShort", "app.elf", "@demo.elf", {},
       "File format error: truncated ELF header", {}, 0, 0, ChoiceProblem::None, 40},
      {"ElfForcedOnText", "app.hex", kHexText, Forced(kElf), "File format error: not an ELF file"},
      {"SRecordBeyondTheImage", "app.srec",
       "S3080800100011223379\nS3070803F79F010254\nS70508001000E2\n", {},
       "File format error in line 2: data beyond the 260000-byte image (address 0x0803F79F)"},
      {"SRecordForcedOnAnyName", "app.txt", "S107100001020304DE\nS9031000EC\n", Forced(kSrec),
       nullptr, {1, 2, 3}, 0x1004},
      // What the windows read, read the same.
      {"HexByTheLetter", "notes.htm", kHexText, {}, nullptr, {1, 2, 3}, 0x1003},
      {"HexForcedOnAnyName", "APP.HEX", kHexText, Forced(kHex), nullptr, {1, 2, 3}, 0x1003},
      {"UpperCaseHex", "APP.HEX", kHexText, {}, "File has unsupported suffix format"},
      {"EmptyElf", "app.elf", "", {}, "File read error"},
  };
}

class LoadFirmwareRows : public ::testing::TestWithParam<LoadRow> {};

TEST_P(LoadFirmwareRows, LoadsRefusesOrAsksForTheAddress) {
  const LoadRow& c = GetParam();
  std::string content = c.Content;
  if (content.rfind('@', 0) == 0) content = test::ReadWholeText(ExamplePath(&content[1]));
  if (c.CutTo != 0) content.resize(c.CutTo);
  const std::string path = c.FileName.rfind("no_such", 0) == 0
                               ? ::testing::TempDir() + c.FileName
                               : test::TempFile(c.FileName, content);
  auto store = std::make_unique<ImageStore>();
  const FirmwareLoad load = LoadFirmware(*store, path.c_str(), c.Choice);
  std::remove(path.c_str());

  EXPECT_EQ(load.Problem, c.Problem);
  EXPECT_EQ(load.Load.Loaded, c.Box == nullptr && c.Problem == ChoiceProblem::None);
  EXPECT_STREQ(load.Load.BoxText, c.Box == nullptr ? "" : c.Box);
  EXPECT_EQ(store->ImageLength, c.Length);
  EXPECT_EQ(load.Layout.BootAreaBytes, c.BootAreaBytes);
  for (std::size_t i = 0; i < c.At0x1000.size(); ++i) {
    EXPECT_EQ(store->ImageBuffer[0x1000 + i], c.At0x1000[i]) << i;
  }
  if (load.Load.Loaded) {
    EXPECT_EQ(store->ImageKind, 'h');
    EXPECT_STREQ(store->FileSha256.data(),
                 Sha256Hex(reinterpret_cast<const std::uint8_t*>(content.data()), content.size())
                     .c_str());
  } else {
    EXPECT_EQ(store->ImageLoaded, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, LoadFirmwareRows, ::testing::ValuesIn(LoadRows()), test::kRowName);

// Every example, in every format, loads the same image.
TEST(LoadFirmware, EveryExampleLoadsTheSameBytes) {
  auto hex = std::make_unique<ImageStore>();
  ASSERT_TRUE(LoadFirmware(*hex, ExamplePath("demo.hex").c_str(), {}).Load.Loaded);
  ASSERT_EQ(hex->ImageLength, 5096u);
  for (const char* name : {"demo.elf", "demo.s19", "demo.mvx"}) {
    auto store = std::make_unique<ImageStore>();
    const FirmwareLoad load = LoadFirmware(*store, ExamplePath(name).c_str(), {});
    ASSERT_TRUE(load.Load.Loaded) << name << ": " << load.Load.BoxText;
    EXPECT_EQ(store->ImageLength, 5096u) << name;
    EXPECT_TRUE(store->ImageBuffer == hex->ImageBuffer) << name;
    EXPECT_EQ(store->ImageKind, std::string(name) == "demo.mvx" ? 'm' : 'h') << name;
  }
  // The ELF's data are loaded after the code and run from RAM.
  auto elf = std::make_unique<ImageStore>();
  const FirmwareLoad load = LoadFirmware(*elf, ExamplePath("demo.elf").c_str(), {});
  ASSERT_EQ(load.Layout.RangeCount, 2u);
  EXPECT_EQ(load.Layout.Ranges[1].Address, 0x08001258u);
  EXPECT_EQ(load.Layout.Ranges[1].Length, 400u);
  EXPECT_EQ(load.Layout.Ranges[1].RunAddress, 0x20000000u);
}

// An ELF with its debug information may be far larger than the 4 MiB that a
// text may have: only its headers and segments are read, and the digest is
// the whole file's.
TEST(LoadFirmware, ElfLargerThanTheTextBufferLoads) {
  std::string content = test::ReadWholeText(ExamplePath("demo.elf"));
  content.resize(5 * 1024 * 1024 + 3, '\x5A');
  const std::string path = test::TempFile("large.elf", content);
  auto store = std::make_unique<ImageStore>();
  const FirmwareLoad load = LoadFirmware(*store, path.c_str(), {});
  std::remove(path.c_str());
  ASSERT_TRUE(load.Load.Loaded) << load.Load.BoxText;
  EXPECT_EQ(store->ImageLength, 5096u);
  EXPECT_EQ(store->Format, FirmwareFormat::Elf);
  EXPECT_STREQ(store->FileSha256.data(),
               Sha256Hex(reinterpret_cast<const std::uint8_t*>(content.data()), content.size())
                   .c_str());
  // The same size as text is refused unread.
  const std::string textPath = test::TempFile("large.s19", content.substr(4));
  const FirmwareLoad text = LoadFirmware(*store, textPath.c_str(), {});
  std::remove(textPath.c_str());
  EXPECT_STREQ(text.Load.BoxText, "File read error");
  EXPECT_EQ(FileReadReason(text.Load.File), "larger than 4194304 bytes");
}

}  // namespace
}  // namespace zentrel
