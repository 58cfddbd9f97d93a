#include "image/compatibility.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image_test_support.h"

namespace zentrel {
namespace {

using test::MakeReport;

// A header: 15 bytes of title, the platform field from 15, the hardware
// version field from 33; both given with their terminators.
std::string Header(const std::string& platformField, const std::string& versionField) {
  std::string header = "ZENTREL IMAGE  " + platformField;
  header.resize(33, ' ');
  header += versionField;
  if (header.size() < 41) header.resize(41, ' ');
  return header + "\r\nL\r\n";
}

// The same header with LF line ends.
std::string WithoutCr(std::string text) {
  std::erase(text, '\r');
  return text;
}

struct CompatCase {
  const char* Name;
  StringsReport Report;
  std::uint16_t FlashKiB;
  std::uint32_t ImageLength;
  char Kind;
  std::string File;
  CompatResult Expected;
  std::string Earlier = "";  // left in FileBuffer by a longer file before
};

void PrintTo(const CompatCase& c, std::ostream* os) { *os << c.Name; }

StringsReport Filled(std::uint8_t c) {
  StringsReport report;
  report.fill(c);
  return report;
}

std::vector<CompatCase> Cases() {
  const StringsReport zx = MakeReport("ZX-CORE", "1.3");
  const std::string zxFile = Header("ZX-CORE ", "1.x");
  return {
      // 480 pages from 4096 end at 65536; an image of 65536 bytes is sent as 481.
      {"LastPageEndsAtTheFlashEnd", zx, 64, 65535, 'h', "", COMPAT_OK},
      {"ImageAsLongAsTheFlashSendsAPageBeyondIt", zx, 64, 65536, 'h', "",
       COMPAT_FLASH_TOO_SMALL},
      {"OneByteMoreThanFlash", zx, 64, 65537, 'h', "", COMPAT_FLASH_TOO_SMALL},
      {"NoFlashAnyImage", zx, 0, 1, 'h', "", COMPAT_FLASH_TOO_SMALL},
      {"NoFlashEmptyImage", zx, 0, 0, 'h', "", COMPAT_OK},
      {"FlashSizeNotTruncated", zx, 65535, 65535u * 1024u - 1, 'h', "", COMPAT_OK},
      {"PageCountNotTruncated", zx, 65535, 0xFFFFFFFF, 'h', "", COMPAT_FLASH_TOO_SMALL},
      {"HexJudgedBySizeAlone", MakeReport("OTHER", "9.9"), 64, 5000, 'h', zxFile, COMPAT_OK},
      {"InvalidReportDigit", MakeReport("1ZX", "1.3"), 0, 99999, 'm', zxFile, COMPAT_OK},
      {"InvalidReportLowerCase", MakeReport("zx-core", "1.3"), 0, 99999, 'm', zxFile,
       COMPAT_OK},
      {"MemoryImageMatches", zx, 256, 8000, 'm', zxFile, COMPAT_OK},
      {"SizeHidesPlatform", MakeReport("QQ", "1.3"), 1, 8000, 'm', zxFile,
       COMPAT_FLASH_TOO_SMALL},
      {"PlatformFirstCharDiffers", MakeReport("AX-CORE", "1.3"), 256, 8000, 'm', zxFile,
       COMPAT_PLATFORM_MISMATCH},
      {"PlatformHidesVersion", MakeReport("AX-CORE", "7.0"), 256, 8000, 'm', zxFile,
       COMPAT_PLATFORM_MISMATCH},
      {"PlatformCaseSensitive", MakeReport("ZX-CORe", "1.3"), 256, 8000, 'm', zxFile,
       COMPAT_PLATFORM_MISMATCH},
      {"DevicePlatformMayGoOn", MakeReport("ABCD", "1.3"), 256, 8000, 'm',
       Header("ABC ", "1.x"), COMPAT_OK},
      {"PlatformEndsAtCr", MakeReport("ABCD", "1.3"), 256, 8000, 'm',
       Header("ABC\r", "1.x"), COMPAT_OK},
      {"EmptyFieldsMatchAll", MakeReport("ANY", "any"), 256, 8000, 'm', Header(" ", "x"),
       COMPAT_OK},
      {"VersionPrefixMatches", zx, 256, 8000, 'm', Header("ZX-CORE ", "1.x"), COMPAT_OK},
      {"VersionDiffers", MakeReport("ZX-CORE", "2.0"), 256, 8000, 'm', zxFile,
       COMPAT_VERSION_MISMATCH},
      // A version that fills its eight places is ended by the line end.
      {"FullVersionEndsAtCr", MakeReport("ZX-CORE", "1.3.0007"), 256, 8000, 'm',
       Header("ZX-CORE ", "1.3.0007"), COMPAT_OK},
      {"FullVersionEndsAtLf", MakeReport("ZX-CORE", "1.3.0007"), 256, 8000, 'm',
       WithoutCr(Header("ZX-CORE ", "1.3.0007")), COMPAT_OK},
      {"FullVersionDiffersBeforeLf", MakeReport("ZX-CORE", "1.3.0008"), 256, 8000, 'm',
       WithoutCr(Header("ZX-CORE ", "1.3.0007")), COMPAT_VERSION_MISMATCH},
      {"UpperXIsACharacter", zx, 256, 8000, 'm', Header("ZX-CORE ", "1.X\r"),
       COMPAT_VERSION_MISMATCH},
      {"UpperXMatchesItself", MakeReport("ZX-CORE", "1.X"), 256, 8000, 'm',
       Header("ZX-CORE ", "1.X\r"), COMPAT_OK},
      {"LongPlatformRunsIntoVersionBytes", MakeReport("ABCDEFGHIJKLMNOP", "Q7"), 256, 8000, 'm',
       Header("ABCDEFGHIJKLMNOPQ ", "Qx"), COMPAT_OK},
      {"LongPlatformMismatchInVersionBytes", MakeReport("ABCDEFGHIJKLMNOP", "R7"), 256, 8000,
       'm', Header("ABCDEFGHIJKLMNOPQ ", "Rx"), COMPAT_PLATFORM_MISMATCH},
      // Fields without a terminator stop at the end of the report or the file.
      {"PlatformPastTheReport", Filled('A'), 256, 100, 'm',
       "ZENTREL IMAGE  " + std::string(200, 'A'), COMPAT_PLATFORM_MISMATCH},
      // 63 matches, then the blank: the last report byte is compared, none
      // beyond. The version field then meets that blank, which does not end
      // a version, so the version decides.
      {"PlatformEndsOnLastReportByte", Filled('A'), 256, 100, 'm',
       "ZENTREL IMAGE  " + std::string(63, 'A') + " ", COMPAT_VERSION_MISMATCH},
      {"VersionPastTheReport", Filled('B'), 256, 100, 'm', Header(" ", std::string(100, 'B')),
       COMPAT_VERSION_MISMATCH},
      {"PlatformPastTheFile", zx, 256, 100, 'm', "ZENTREL IMAGE  ZX-CO",
       COMPAT_PLATFORM_MISMATCH, zxFile},
      {"VersionPastTheFile", zx, 256, 100, 'm', zxFile.substr(0, 35), COMPAT_VERSION_MISMATCH,
       zxFile},
  };
}

class Compatibility : public testing::TestWithParam<CompatCase> {};

TEST_P(Compatibility, GivesFirstFailingTest) {
  const CompatCase& c = GetParam();
  auto store = std::make_unique<ImageStore>();
  std::memcpy(store->FileBuffer.data(), c.Earlier.data(), c.Earlier.size());
  std::memcpy(store->FileBuffer.data(), c.File.data(), c.File.size());
  store->FileLength = static_cast<std::uint32_t>(c.File.size());
  store->ImageLength = c.ImageLength;
  store->ImageKind = c.Kind;
  // On the heap at its own size, so that a sanitizer build sees a read past it.
  const auto report = std::make_unique<StringsReport>(c.Report);
  EXPECT_EQ(CheckCompatibility(*report, c.FlashKiB, *store), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Compatibility, testing::ValuesIn(Cases()), test::kRowName);

}  // namespace
}  // namespace zentrel
