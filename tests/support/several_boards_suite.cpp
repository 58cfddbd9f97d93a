// Many boards on one platform, through the engine's line, on every rig that
// instantiates the suite: a line that chooses its board by port or serial
// flashes only that board, across its reset; lines side by side flash each
// its own board byte for byte, and a board that vanishes fails only its own
// line.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>

#include "image/image_store.h"
#include "protocol/device_ids.h"
#include "sequencer/board_line.h"
#include "tests/support/board_rack.h"
#include "tests/support/flash_check.h"
#include "tests/support/recording_view.h"
#include "tests/support/sequencer_harness.h"

namespace zentrel::testing {
namespace {

// What a line showed: its roads' texts and its boards' records.
class LineRecorder final : public LineObserver {
 public:
  SequencerView* RoadView() override { return &view; }
  void Progress(const ProgressSnapshot&) override {}
  void Finished(const RoadRecord& record) override { records.push_back(record); }

  RecordingView view;
  std::vector<RoadRecord> records;
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
  // A download of length bytes (from 0) on the rack's platform.
  LineSetup Download(std::uint32_t length, bool boardResets) {
    LoadRandomImage(*image_, length);
    return {RoadKind::Download, rack_->Platform(), *image_, ids_, rack_->RoadClock(boardResets),
            Pace::Fast, false, {}, nullptr};
  }
  std::string Serial(int k) const { return "ZB-00000" + std::to_string(k); }

  std::unique_ptr<BoardRack> rack_;
  std::unique_ptr<ImageStore> image_ = std::make_unique<ImageStore>();
  DeviceIds ids_;
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

TEST_P(SeveralBoards, AFilteredLineFlashesOnlyTheChosenBoardAcrossItsReset) {
  for (const FilterRow& row : kFilterRows) {
    SCOPED_TRACE(row.Name);
    Plug(3);
    const DeviceFilter filter{row.SerialOf ? Serial(row.SerialOf) : "",
                              row.PortOf ? rack_->Port(row.PortOf) : ""};
    const LineSetup setup = Download(4096 + 5 * 128 + 17, row.Flashed != 0);  // six pages
    LineRecorder line;
    RunLine(setup, {}, filter, line);
    ASSERT_EQ(line.records.size(), 1u);
    const RoadRecord& record = line.records.front();
    EXPECT_EQ(record.Passed(), row.Flashed != 0);
    EXPECT_EQ(record.Outcome.Completed(), row.Flashed != 0);
    EXPECT_EQ(record.Message, row.Flashed ? "Boot successful finished" : "No HID device detect");
    EXPECT_EQ(line.view.BoxTexts(), std::vector<std::string>{record.Message});
    if (row.Flashed != 0) {
      EXPECT_EQ(record.Board.Port, rack_->Port(row.Flashed));
    }
    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE("board " + std::to_string(k));
      const BoardSeen board = rack_->Seen(k);
      if (k == row.Flashed) {
        ExpectFlashed(board.Flash, SentBytes(*image_));
        EXPECT_EQ(board.Resets, 1);
        EXPECT_EQ(board.DataReports, 24u);
      } else {
        EXPECT_EQ(board.Flash, kErased);
        EXPECT_EQ(board.Commands, 0u);
      }
    }
    EXPECT_EQ(rack_->Platform().OpenHandleCount(), 0u);
  }
}

TEST_P(SeveralBoards, LinesSideBySideFlashEachTheirOwnBoardAndAVanishingOneFailsAlone) {
  for (const int vanishing : {0, 2}) {
    SCOPED_TRACE("vanishing board " + std::to_string(vanishing));
    Plug(3);
    if (vanishing != 0) rack_->Vanish(vanishing, 2);  // gone after its second packet
    const LineSetup setup = Download(4096 + 7 * 128 + 5, true);  // eight pages
    // Resolved once, as a front end does before it runs them.
    const std::vector<DeviceIdentity> boards = FindDevices(rack_->Platform(), ids_, {});
    ASSERT_EQ(boards.size(), 3u);
    std::vector<RoadRecord> records;
    std::size_t lines = 0;
    RunSideBySide(
        setup, boards, {},
        [&](const std::vector<LineState>& states, std::vector<RoadRecord>& finished) {
          lines = states.size();
          records.insert(records.end(), finished.begin(), finished.end());
        },
        10'000);
    EXPECT_EQ(lines, 3u);
    ASSERT_EQ(records.size(), 3u);
    std::sort(records.begin(), records.end(), [](const RoadRecord& a, const RoadRecord& b) {
      return a.Board.Port < b.Board.Port;
    });

    for (int k = 1; k <= 3; ++k) {
      SCOPED_TRACE("board " + std::to_string(k));
      const RoadRecord& record = records[static_cast<std::size_t>(k - 1)];
      EXPECT_EQ(record.Board.Port, rack_->Port(k));
      EXPECT_EQ(record.Number, 1);
      const BoardSeen board = rack_->Seen(k);
      EXPECT_EQ(board.ProtocolErrors, 0);
      EXPECT_EQ(board.Resets, 1);
      if (k == vanishing) {
        EXPECT_FALSE(record.Outcome.Completed());
        EXPECT_FALSE(record.Passed());
        EXPECT_EQ(record.Failure(), FailureKind::DeviceFailed);
        EXPECT_EQ(record.Message, "Boot data write Ack error") << record.Outcome.Status;
        EXPECT_EQ(board.DataReports, 2u);
        EXPECT_FALSE(board.Present);
        // What the record says was written is what the board holds.
        ExpectFlashed(board.Flash, SentBytes(*image_), record.Outcome.PagesWritten);
      } else {
        EXPECT_TRUE(record.Outcome.Completed());
        EXPECT_TRUE(record.Passed());
        EXPECT_EQ(record.Message, "Boot successful finished") << record.Outcome.Status;
        EXPECT_EQ(board.DataReports, 8u * 4);
        ExpectFlashed(board.Flash, SentBytes(*image_));
      }
    }
    EXPECT_EQ(rack_->Platform().OpenHandleCount(), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Rigs, SeveralBoards, ::testing::ValuesIn(Racks()),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace

}  // namespace zentrel::testing
