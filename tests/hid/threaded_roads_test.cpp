// Several download roads at once on one emulated bus, one thread and one
// port each, in real time: every board gets its own image byte for byte, a
// board that vanishes fails only its own road. How much faster boards side
// by side are is zentrel-bench-all's to measure, never a test's.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/hid/road_rig.h"

namespace zentrel {
namespace {

using emulated::BootLoaderConfig;
using emulated::EmulatedBootLoader;
using emulated::EmulatedBus;
using emulated::FaultKind;
using emulated::LatencyProfile;

BootLoaderConfig Board(LatencyProfile latency) {
  BootLoaderConfig config;
  config.Latency = latency;
  // Back at once after the reset: the ticks here are not paced, so the
  // search gives up after its attempts, not after a time.
  config.ReenumerateUs = 0;
  return config;
}

// Runs one road per port, each in its own thread; returns them after all ended.
std::vector<std::unique_ptr<testing::DownloadRoad>> RunSideBySide(
    EmulatedBus& bus, const Clock& clock, const std::vector<std::string>& ports) {
  std::vector<std::unique_ptr<testing::DownloadRoad>> roads;
  for (const std::string& port : ports) {
    roads.push_back(
        std::make_unique<testing::DownloadRoad>(bus, clock, DeviceFilter{"", port}));
  }
  std::vector<std::thread> threads;
  for (auto& road : roads) threads.emplace_back([&road] { road->Run([] {}); });
  for (auto& thread : threads) thread.join();
  return roads;
}

TEST(ThreadedRoads, ThreeBoardsOnOneBusAreEachFlashedByteForByte) {
  SteadyClock clock;
  EmulatedBus bus{clock};
  std::vector<EmulatedBootLoader*> boards;
  for (int i = 0; i < 3; ++i)
    boards.push_back(&bus.AddBootLoader(Board(LatencyProfile::Instant())));
  const auto roads = RunSideBySide(bus, clock, {"emu-1", "emu-2", "emu-3"});
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_TRUE(roads[i]->sequencer.RoadCompleted()) << "road " << i + 1;
    EXPECT_TRUE(testing::FlashedWithImageHead(boards[i]->Flash())) << "board " << i + 1;
    EXPECT_EQ(boards[i]->ResetCount(), 1);
    EXPECT_EQ(boards[i]->DataReportCount(), 4u);
    EXPECT_EQ(boards[i]->ProtocolErrors(), 0);
  }
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

TEST(ThreadedRoads, ABoardThatVanishesFailsOnlyItsOwnRoad) {
  SteadyClock clock;
  EmulatedBus bus{clock};
  std::vector<EmulatedBootLoader*> boards;
  for (int i = 0; i < 3; ++i)
    boards.push_back(&bus.AddBootLoader(Board(LatencyProfile::Instant())));
  boards[1]->InjectFault(FaultKind::Vanish, 2);  // gone after its second packet
  const auto roads = RunSideBySide(bus, clock, {"emu-1", "emu-2", "emu-3"});
  for (std::size_t i : {0u, 2u}) {
    EXPECT_TRUE(roads[i]->sequencer.RoadCompleted()) << "road " << i + 1;
    EXPECT_TRUE(testing::FlashedWithImageHead(boards[i]->Flash())) << "board " << i + 1;
  }
  EXPECT_FALSE(roads[1]->sequencer.RoadCompleted());
  ASSERT_FALSE(roads[1]->view.Boxes().empty());
  EXPECT_EQ(roads[1]->view.Boxes().back().Text, "Boot data write Ack error");
  EXPECT_EQ(boards[1]->DataReportCount(), 2u);
  EXPECT_FALSE(boards[1]->Present());
  EXPECT_EQ(bus.GetLocation(boards[1]->Path()), "");
  EXPECT_EQ(bus.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace zentrel
