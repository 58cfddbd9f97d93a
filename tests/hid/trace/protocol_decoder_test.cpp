// The protocol decoder's cases that a normal conversation does not show (the
// trace tests of whole roads show the others).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "hid/trace/protocol_decoder.h"

namespace zentrel::trace {
namespace {

using Nine = std::array<std::uint8_t, 9>;

TEST(ProtocolDecoder, CommandsWithAWrongKeyOrUnknownCodeAndStatusesInTheirContext) {
  EXPECT_EQ(DescribeCommand(Nine{0, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x55}.data(), 9),
            "CMD_START_BOOT key WRONG");
  EXPECT_EQ(DescribeCommand(Nine{0, 0xCC, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}.data(), 9),
            "CMD_APP_ID key ok");
  EXPECT_EQ(DescribeCommand(Nine{0, 0x00, 0, 0, 0, 0x07, 0, 0, 0}.data(), 9),
            "CMD_IMAGE_KIND kind 0x07");
  EXPECT_EQ(DescribeCommand(Nine{0, 0x12, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}.data(), 9),
            "unknown command 0x12");
  Conversation talk;
  NoteCommand(talk, Nine{0, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}.data(), 9);
  EXPECT_EQ(DescribeStatus(Nine{0, 0, 0xAA, 0x34, 0x12, 0, 0, 0, 0}.data(), 9, talk),
            "STATUS_OK flash 4660 KiB");
  EXPECT_EQ(DescribeStatus(Nine{0, 0, 0xE1, 0x00, 0x01, 0, 0, 0, 0}.data(), 9, talk),
            "boot check failed (0xE1)");
  EXPECT_EQ(DescribeData(talk), "data, no CMD_IMAGE_KIND before it");
  // A second image kind starts the count again at the first page.
  NoteCommand(talk, Nine{0, 0x00, 0, 0, 0, 'm', 0, 0, 0}.data(), 9);
  for (int i = 0; i < 5; ++i) NoteData(talk);
  EXPECT_EQ(DescribeData(talk), "data 0x10A0 page 2 packet 2/4");
  NoteCommand(talk, Nine{0, 0x00, 0, 0, 0, 'm', 0, 0, 0}.data(), 9);
  EXPECT_EQ(DescribeData(talk), "data 0x1000 page 1 packet 1/4");
}

TEST(ProtocolDecoder, StringsAreValidOnlyWithAnUpperCaseLetterInByteOne) {
  std::array<std::uint8_t, 64> report{};
  // Platform (16), hardware version (8), boot loader version (8).
  const char fields[] = "ZX-CORE\0\0\0\0\0\0\0\0\0" "1.2\0\0\0\0\0" "BL\t2.05\"";
  std::copy(fields, fields + 32, report.begin() + 1);
  EXPECT_EQ(DescribeStrings(report.data(), 64),
            "strings valid \"ZX-CORE\" \"1.2\" \"BL\\x092.05\\\"\"");
  report[1] = 'a';
  EXPECT_EQ(DescribeStrings(report.data(), 64), "strings not valid (byte 1 0x61)");
  report[1] = '7';
  EXPECT_EQ(DescribeStrings(report.data(), 64), "strings not valid (byte 1 0x37)");
}

}  // namespace
}  // namespace zentrel::trace
