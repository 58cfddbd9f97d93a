// Many boards on one platform, on every rig that instantiates the suite: a
// road that chooses its board by port or serial flashes only that board,
// across its reset; roads side by side, one thread each, flash each its own
// board byte for byte, and a board that vanishes fails only its own road.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "hid/device_access.h"
#include "image/image_store.h"
#include "protocol/device_ids.h"
#include "tests/support/board_rack.h"
#include "tests/support/flash_check.h"
#include "tests/support/recording_view.h"
#include "tests/support/sequencer_harness.h"

namespace zentrel::testing {
namespace {

// One download road of a many-board run: its own access (with a filter),
// image, view and sequencer.
struct Road {
  Road(BoardRack& rack, DeviceFilter filter, std::uint32_t length, bool boardResets)
      : clock(rack.RoadClock(boardResets)),
        device(rack.Platform(), std::move(filter)),
        sequencer(view, device, *image, ids, clock) {
    view.Watch(sequencer, device);
    LoadRandomImage(*image, length);
  }
  void Run(BoardRack& rack) {
    sequencer.StartDownload();
    rack.Run(sequencer, clock);
  }
  std::vector<std::string> Boxes() const { return view.BoxTexts(); }

  Clock& clock;
  DeviceAccess device;
  std::unique_ptr<ImageStore> image = std::make_unique<ImageStore>();
  DeviceIds ids;
  RecordingView view;
  BootSequencer sequencer;
};

const std::vector<std::uint8_t> kErased(256 * 1024, 0xFF);

class SeveralBoards : public ::testing::TestWithParam<RackMaker> {
 protected:
  void Plug(int boards) {
    rack_ = GetParam().Make();
    std::string error;
    // A rig that cannot be set up is a failure, never a pass.
    ASSERT_TRUE(rack_->Plug(boards, error)) << error;
  }
  std::string Serial(int k) const { return "ZB-00000" + std::to_string(k); }

  std::unique_ptr<BoardRack> rack_;
};

struct FilterRow {
  const char* Name;
  int SerialOf, PortOf;  // the board whose serial, port is asked for; 0: none
  int Flashed;           // the board flashed; 0: none
};

const FilterRow kFilterRows[] = {
    {"Port", 0, 2, 2},
    {"Serial", 2, 0, 2},
    {"SerialAndPort", 3, 3, 3},
    {"PortOfNoBoard", 0, 4, 0},
    // Each half matches a board, but not the same one.
    {"SerialOnAnotherPort", 2, 1, 0},
};

TEST_P(SeveralBoards, AFilteredRoadFlashesOnlyTheChosenBoardAcrossItsReset) {
  for (const FilterRow& row : kFilterRows) {
    SCOPED_TRACE(row.Name);
    Plug(3);
    const DeviceFilter filter{row.SerialOf ? Serial(row.SerialOf) : "",
                              row.PortOf ? rack_->Port(row.PortOf) : ""};
    Road road(*rack_, filter, 4096 + 5 * 128 + 17, row.Flashed != 0);  // six pages
    road.Run(*rack_);
    EXPECT_EQ(road.sequencer.RoadCompleted(), row.Flashed != 0);
    EXPECT_EQ(road.Boxes(), std::vector<std::string>{row.Flashed ? "Boot successful finished"
                                                                 : "No HID device detect"});
    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE("board " + std::to_string(k));
      const BoardSeen board = rack_->Seen(k);
      if (k == row.Flashed) {
        ExpectFlashed(board.Flash, SentBytes(*road.image));
        EXPECT_EQ(board.Resets, 1);
        EXPECT_EQ(board.DataReports, 24u);
      } else {
        EXPECT_EQ(board.Flash, kErased);
        EXPECT_EQ(board.Commands, 0u);
      }
    }
    EXPECT_FALSE(road.device.IsOpen());
    EXPECT_EQ(rack_->Platform().OpenHandleCount(), 0u);
  }
}

TEST_P(SeveralBoards, RoadsSideBySideFlashEachTheirOwnBoardAndAVanishingOneFailsAlone) {
  for (const int vanishing : {0, 2}) {
    SCOPED_TRACE("vanishing board " + std::to_string(vanishing));
    Plug(3);
    if (vanishing != 0) rack_->Vanish(vanishing, 2);  // gone after its second packet
    // Images of ten, eight and one page.
    const std::uint32_t lengths[3] = {4096 + 9 * 128, 4096 + 7 * 128 + 5, 4096 + 40};
    std::vector<std::unique_ptr<Road>> roads;
    for (int k = 1; k <= 3; ++k) {
      roads.push_back(std::make_unique<Road>(*rack_, DeviceFilter{"", rack_->Port(k)},
                                             lengths[k - 1], true));
    }
    std::vector<std::thread> threads;
    for (auto& road : roads) threads.emplace_back([&] { road->Run(*rack_); });
    for (std::thread& thread : threads) thread.join();

    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE("board " + std::to_string(k));
      const Road& road = *roads[static_cast<std::size_t>(k - 1)];
      const BoardSeen board = rack_->Seen(k);
      EXPECT_EQ(board.ProtocolErrors, 0);
      EXPECT_EQ(board.Resets, 1);
      if (k == vanishing) {
        EXPECT_FALSE(road.sequencer.RoadCompleted());
        EXPECT_EQ(road.Boxes(), std::vector<std::string>{"Boot data write Ack error"})
            << road.sequencer.Outcome().Status;
        EXPECT_EQ(board.DataReports, 2u);
        EXPECT_FALSE(board.Present);
        // What the road says it wrote is what the board holds.
        ExpectFlashed(board.Flash, SentBytes(*road.image), road.sequencer.Outcome().PagesWritten);
      } else {
        EXPECT_TRUE(road.sequencer.RoadCompleted());
        EXPECT_EQ(road.Boxes(), std::vector<std::string>{"Boot successful finished"})
            << road.sequencer.Outcome().Status;
        EXPECT_EQ(board.DataReports, (lengths[k - 1] - 4096) / 128 * 4 + 4);
        ExpectFlashed(board.Flash, SentBytes(*road.image));
      }
    }
    EXPECT_EQ(rack_->Platform().OpenHandleCount(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Rigs, SeveralBoards, ::testing::ValuesIn(Racks()),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

}  // namespace zentrel::testing
