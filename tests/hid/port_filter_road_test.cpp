// A download road that chooses its board among several by port or by serial
// number: only that board is flashed, across its reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/hid/road_rig.h"

namespace zentrel {
namespace {

using emulated::BootLoaderConfig;
using emulated::EmulatedBootLoader;
using emulated::EmulatedBus;

struct FilterRow {
  const char* Name;
  DeviceFilter Filter;
  int Flashed;  // index of the board the road must flash; -1: none
};

class FilteredDownload : public ::testing::TestWithParam<FilterRow> {};

TEST_P(FilteredDownload, FlashesOnlyTheChosenBoard) {
  FakeClock clock;
  EmulatedBus bus{clock};
  std::vector<EmulatedBootLoader*> boards;
  for (const char16_t* serial : {u"ZB-000001", u"ZB-000002", u"ZB-000003"}) {
    BootLoaderConfig config;
    config.Serial = serial;
    boards.push_back(&bus.AddBootLoader(config));
  }
  testing::DownloadRoad road(bus, clock, GetParam().Filter);
  road.Run([&] { clock.AdvanceUs(10'000); });

  for (int i = 0; i < 3; ++i) {
    const EmulatedBootLoader& board = *boards[static_cast<std::size_t>(i)];
    if (i == GetParam().Flashed) {
      EXPECT_TRUE(testing::FlashedWithImageHead(board.Flash()));
      EXPECT_EQ(board.ResetCount(), 1);
      EXPECT_EQ(board.DataReportCount(), 4u);
    } else {
      EXPECT_TRUE(std::all_of(board.Flash().begin(), board.Flash().end(),
                              [](std::uint8_t b) { return b == 0xFF; }))
          << "board " << i + 1;
      EXPECT_TRUE(board.Commands().empty()) << "board " << i + 1;
    }
  }
  ASSERT_FALSE(road.view.Boxes().empty());
  EXPECT_EQ(road.view.Boxes().back().Text, GetParam().Flashed >= 0
                                               ? "Boot successful finished"
                                               : "No HID device detect");
  EXPECT_EQ(road.sequencer.RoadCompleted(), GetParam().Flashed >= 0);
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilteredDownload,
    ::testing::Values(FilterRow{"Port", {"", "emu-2"}, 1},
                      FilterRow{"Serial", {"ZB-000002", ""}, 1},
                      FilterRow{"SerialAndPort", {"ZB-000003", "emu-3"}, 2},
                      FilterRow{"PortOfNoBoard", {"", "emu-4"}, -1},
                      FilterRow{"SerialOnAnotherPort", {"ZB-000002", "emu-1"}, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace zentrel
