// The protocol decoder: each report of the boot protocol in words, read in
// the context of what went before it on the handle.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "hid/trace/protocol_decoder.h"

namespace zentrel::trace {
namespace {

using Nine = std::array<std::uint8_t, 9>;

TEST(DescribeCommand, NamesTheCommandAndChecksTheKeyOrShowsTheKind) {
  struct Row {
    Nine Report;
    const char* Text;
  };
  const Row rows[] = {
      {{0x00, 0xCA, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}, "CMD_RESET key ok"},
      {{0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}, "CMD_START_BOOT key ok"},
      {{0x00, 0xCC, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}, "CMD_APP_ID key ok"},
      {{0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x55}, "CMD_START_BOOT key WRONG"},
      {{0x00, 0x00, 0, 0, 0, 'h', 0, 0, 0}, "CMD_IMAGE_KIND 'h'"},
      {{0x00, 0x00, 0, 0, 0, 0x07, 0, 0, 0}, "CMD_IMAGE_KIND kind 0x07"},
      {{0x00, 0x12, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54}, "unknown command 0x12"},
  };
  for (const Row& row : rows) EXPECT_EQ(DescribeCommand(row.Report.data(), 9), row.Text);
  EXPECT_EQ(DescribeCommand(rows[0].Report.data(), 8), "shorter than a command report");
}

TEST(DescribeStatus, GivesTheFlashSizeOnlyInAnswerToStartBoot) {
  Conversation afterStart;
  const Nine start = {0x00, 0x55, 0, 0, 0, 0x5A, 0x45, 0x4E, 0x54};
  NoteCommand(afterStart, start.data(), 9);
  Conversation afterKind;
  const Nine kind = {0x00, 0x00, 0, 0, 0, 'm', 0, 0, 0};
  NoteCommand(afterKind, kind.data(), 9);
  struct Row {
    const Conversation* Talk;
    Nine Report;
    const char* Text;
  };
  const Row rows[] = {
      {&afterStart, {0, 0, 0xAA, 0x34, 0x12, 0, 0, 0, 0}, "STATUS_OK flash 4660 KiB"},
      {&afterStart, {0, 0, 0xAA, 0x00, 0x01, 0, 0, 0, 0}, "STATUS_OK flash 256 KiB"},
      {&afterStart, {0, 0, 0xE1, 0x00, 0x01, 0, 0, 0, 0}, "boot check failed (0xE1)"},
      {&afterKind, {0, 0, 0xAA, 0x00, 0x01, 0, 0, 0, 0}, "STATUS_OK"},
      {&afterKind, {0, 0, 0xAD, 0, 0, 0, 0, 0, 0}, "STATUS_PACKET_ACK"},
      {&afterKind, {0, 0, 0x01, 0, 0, 0, 0, 0, 0}, "not ready (0x01)"},
  };
  for (const Row& row : rows) EXPECT_EQ(DescribeStatus(row.Report.data(), 9, *row.Talk), row.Text);
}

TEST(DescribeData, CountsPacketsFromAddress4096SinceTheImageKind) {
  Conversation talk;
  EXPECT_EQ(DescribeData(talk), "data, no CMD_IMAGE_KIND before it");
  const Nine kind = {0x00, 0x00, 0, 0, 0, 'h', 0, 0, 0};
  NoteCommand(talk, kind.data(), 9);
  const char* expected[] = {"data 0x1000 page 1 packet 1/4", "data 0x1020 page 1 packet 2/4",
                            "data 0x1040 page 1 packet 3/4", "data 0x1060 page 1 packet 4/4",
                            "data 0x1080 page 2 packet 1/4"};
  for (const char* text : expected) {
    EXPECT_EQ(DescribeData(talk), text);
    NoteData(talk);
  }
  // A new image kind starts again at the first page.
  NoteCommand(talk, kind.data(), 9);
  EXPECT_EQ(DescribeData(talk), "data 0x1000 page 1 packet 1/4");
}

TEST(DescribeStrings, ShowsTheFieldsOnlyWhenByteOneIsAnUpperCaseLetter) {
  std::array<std::uint8_t, 64> report{};
  // Platform (16), hardware version (8), boot loader version (8).
  const char fields[] = "ZX-CORE\0\0\0\0\0\0\0\0\0" "1.2\0\0\0\0\0" "BL\t2.05\"";
  std::copy(fields, fields + 32, report.begin() + 1);
  EXPECT_EQ(DescribeStrings(report.data(), 64),
            "strings valid \"ZX-CORE\" \"1.2\" \"BL\\x092.05\\\"\"");
  for (std::uint8_t first : {std::uint8_t{'a'}, std::uint8_t{'7'}, std::uint8_t{0}}) {
    report[1] = first;
    char expected[40];
    std::snprintf(expected, sizeof expected, "strings not valid (byte 1 0x%02X)", first);
    EXPECT_EQ(DescribeStrings(report.data(), 64), expected);
  }
}

}  // namespace
}  // namespace zentrel::trace
