// zentrel-flash on a production line: several boards, one after another
// (--repeat) or side by side (--all), each with its own record; the live
// table on terminals of ordinary widths.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <numeric>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "tests/cli/process_runner.h"

namespace zentrel::test {
namespace {

class ManyBoards : public ZentrelFlashProcess, public ::testing::WithParamInterface<const char*> {};

// Three boards, the second vanishing after its 5th data report: one record
// per board that names it and says how it ended, then the run's result.
TEST_P(ManyBoards, EachBoardHasItsOwnRecordThenTheResult) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(24, bytes);
  const std::string dump = Path("flash.bin");
  const bool all = std::string(GetParam()) == "--all";
  const Outcome run = RunProgram({"flash", hex, GetParam(), "--emulate", "--emulate-devices", "3",
                                  "--emulate-fault", "2:vanish:5", kInstant, "--json",
                                  "--emulate-dump", dump});
  EXPECT_EQ(run.Code, 1);
  // One line on stderr says why the run failed (with the failed box and
  // advice before it).
  EXPECT_NE(run.Err.find("zentrel-flash: 2 passed, 1 failed in "), std::string::npos) << run.Err;
  std::vector<nlohmann::json> records;
  std::vector<int> pages;  // the progress records of the board under way
  for (const nlohmann::json& line : JsonLines(run.Out)) {
    if (line["event"] == "progress") pages.push_back(line["page"]);
    if (line["event"] != "device_result") continue;
    records.push_back(line);
    // One after another, each board's pages once each as it writes them.
    std::vector<int> expected(all ? 0 : line["pages_written"].get<std::size_t>());
    std::iota(expected.begin(), expected.end(), 1);
    EXPECT_EQ(std::exchange(pages, {}), expected) << "board " << line["board"];
  }
  ASSERT_EQ(records.size(), 3u) << run.Out;
  std::sort(records.begin(), records.end(),
            [](const auto& a, const auto& b) { return a["port"] < b["port"]; });
  const nlohmann::json result = JsonLines(run.Out).back();
  for (int k = 1; k <= 3; ++k) {
    const nlohmann::json& r = records[static_cast<std::size_t>(k - 1)];
    // Each record stands alone: its firmware, its run, its station.
    EXPECT_EQ(r["file"]["sha256"], Sha256Sum(hex));
    EXPECT_EQ(r["file"]["path"], hex);
    EXPECT_EQ(r["run"], result["run"]);
    EXPECT_EQ(r["host"], HostName());
    EXPECT_EQ(r["port"], "emu-" + std::to_string(k));
    EXPECT_EQ(r["serial"], "ZB-00000" + std::to_string(k));
    EXPECT_FALSE(r["path"].get<std::string>().empty());
    EXPECT_EQ(r["board"], all ? 1 : k);
    EXPECT_EQ(r["pages"], 25);
    if (k == 2) {
      EXPECT_EQ(r["exit_code"], 1);
      EXPECT_EQ(r["failure"], "device_failed");
      EXPECT_EQ(r["message"], "Boot data write Ack error");
      EXPECT_EQ(r["pages_written"], 1);  // 5 data reports: one page and a packet
    } else {
      EXPECT_EQ(r["exit_code"], 0);
      EXPECT_EQ(r["pages_written"], 25);
    }
  }
  EXPECT_EQ(result["event"], "result");
  EXPECT_EQ(result["exit_code"], 1);
  EXPECT_EQ(result["passed"], 2);
  EXPECT_EQ(result["failed"], 1);
  EXPECT_EQ(result["file"]["sha256"], Sha256Sum(hex));
  if (all) {
    EXPECT_EQ(result["devices"], 3);
  }
  // Side by side each board's flash is saved, and holds the pages its record
  // names; one after another the last board's.
  if (!all) ExpectFlashed(ReadFile(dump), bytes);
  for (const nlohmann::json& r : all ? records : std::vector<nlohmann::json>{}) {
    SCOPED_TRACE(r["port"].get<std::string>());
    ExpectFlashed(ReadFile(dump + "." + r["port"].get<std::string>()), bytes,
                  r["pages_written"] == r["pages"] ? zentrel::testing::kAllPages
                                                   : r["pages_written"].get<std::size_t>());
  }
}

INSTANTIATE_TEST_SUITE_P(Lines, ManyBoards, ::testing::Values("--all", "--repeat"),
                         [](const auto& info) { return std::string(info.param + 2); });

TEST_F(ZentrelFlashProcess, ResultLinesNameEachBoard) {
  for (const char* how : {"--all", "--repeat"}) {
    const Outcome run = RunProgram({"flash", Path("demo.mvx"), how, "--emulate",
                                    "--emulate-devices", "2", "--emulate-fault",
                                    "1:wrong-boot-status", kInstant});
    EXPECT_EQ(run.Code, 1) << how;
    const bool all = std::string(how) == "--all";
    if (all) {
      EXPECT_NE(run.Out.find("Flashing 2 devices side by side\n"), std::string::npos);
    }
    EXPECT_NE(run.Out.find("\n1 passed, 1 failed in "), std::string::npos) << run.Out;
    EXPECT_NE(run.Out.find(all ? "emu-1 ZB-000001: FAILED: Boot CRC error (0 pages, "
                               : "emu-1 ZB-000001 board 1: FAILED: Boot CRC error (0 pages, "),
              std::string::npos)
        << run.Out;
    EXPECT_NE(run.Out.find(all ? "emu-2 ZB-000002: passed (8 pages, "
                               : "emu-2 ZB-000002 board 2: passed (8 pages, "),
              std::string::npos)
        << run.Out;
  }
}

// Ctrl-C during a download, side by side or one after another: every
// board under way says where it stopped, the pages it names are in its
// flash, and the run fails.
TEST_P(ManyBoards, InterruptedSaysWhereEachBoardStopped) {
  const bool all = std::string(GetParam()) == "--all";
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(200, bytes);
  const std::string dump = Path("flash.bin");
  Child child({"flash", hex, GetParam(), "--emulate", "--emulate-devices", "2", "--pace",
               "window", "--emulate-dump", dump});
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.ReadOutUntil(all ? "side by side\n" : "Write page 0\n")) << child.Out();
  sleep(3);  // well into the 16 s of pages; whenever it lands, the lines must hold
  kill(child.Pid(), SIGINT);
  const Outcome run = child.Finish();
  EXPECT_EQ(run.Code, 130);
  EXPECT_NE(run.Err.find(all ? "zentrel-flash: interrupted; 0 passed, 2 failed in "
                             : "zentrel-flash: interrupted; 0 passed, 1 failed in "),
            std::string::npos)
      << run.Err;
  const std::regex line("(emu-[12]) ZB-00000[12](?: board 1)?: FAILED: download interrupted "
                        "after page ([0-9]+) of 201: the device holds an incomplete image; flash "
                        "it again");
  int boards = 0;
  for (std::sregex_iterator m(run.Out.begin(), run.Out.end(), line), end; m != end; ++m) {
    ++boards;
    ExpectFlashed(ReadFile(all ? dump + "." + (*m)[1].str() : dump), bytes,
                  std::stoul((*m)[2].str()));
  }
  EXPECT_EQ(boards, all ? 2 : 1) << run.Out;
}

// --repeat names a board that cannot be opened while it waits, never waits
// for it in silence; Ctrl-C then ends a run whose boards all passed.
TEST_F(ZentrelFlashProcess, RepeatNamesABoardItCannotOpen) {
  Child child({"flash", Path("demo.mvx"), "--repeat", "--emulate", "--emulate-devices", "2",
               "--emulate-fault", "2:cannot-open", kInstant});
  ASSERT_TRUE(child.Started());
  ASSERT_TRUE(child.ReadErrUntil("emulated-hid-1 is a device with IDs 1D50:61A7, but it "
                                 "cannot be opened: Permission denied (emulated)\n"))
      << child.Err();
  kill(child.Pid(), SIGINT);
  const Outcome run = child.Finish();
  EXPECT_EQ(run.Code, 0) << run.Err;
  EXPECT_NE(run.Out.find("\n1 passed, 0 failed in "), std::string::npos) << run.Out;
}

// A board that --all cannot open is a board of the download that failed:
// its record counts the image's pages, none of them written, and says what
// to do as stderr does.
TEST_F(ZentrelFlashProcess, AllRecordsTheBoardItCannotOpen) {
  const Outcome run = RunProgram({"flash", Path("demo.mvx"), "--all", "--emulate",
                                  "--emulate-fault", "cannot-open", "--json"});
  const nlohmann::json r = JsonLines(run.Out).front();
  EXPECT_EQ(r["message"], "cannot be opened: Permission denied (emulated)");
  EXPECT_EQ(r["pages"], 8);
  EXPECT_EQ(r["pages_written"], 0);
  EXPECT_EQ(r["advice"], "to give your user access, install the udev rule and plug the device "
                         "in again (README, \"Device access on Linux\")");
}

// A log of `list --json` says why a node with the IDs cannot be opened.
TEST_F(ZentrelFlashProcess, ListRecordsWhyANodeCannotBeOpened) {
  const Outcome run = RunProgram({"list", "--emulate", "--emulate-fault", "cannot-open", "--json"});
  const nlohmann::json d = JsonLines(run.Out).front();
  EXPECT_EQ(d["opened"], false);
  EXPECT_EQ(d["reason"], "Permission denied (emulated)");
}

// A line of the --all table as a terminal of the given width shows it: the
// columns at their widths, cut before the last column, no blanks at the end.
std::string TableLine(unsigned short columns, const char* port, const char* serial,
                      const char* stage, const std::string& pages, const std::string& result) {
  char text[256];
  std::snprintf(text, sizeof text, "%-13s%-15s%-25s%-14s%s", port, serial, stage, pages.c_str(),
                result.c_str());
  std::string line(text, std::min<std::size_t>(std::strlen(text), columns - 1u));
  return line.substr(0, line.find_last_not_of(' ') + 1);
}

std::string Heading(unsigned short columns) {
  return TableLine(columns, "PORT", "SERIAL", "STAGE", "PAGES", "RESULT");
}

// What a terminal shows: every line drawn in place fits its width (a
// wrapped line would push the table down and repeat its heading), and the
// table, drawn over itself while the pages go out, ends as one heading and
// one row per board.
TEST_F(ZentrelFlashProcess, LiveLinesFitTheTerminal) {
  const std::vector<unsigned short> widths = {50, 80, 120};
  const std::vector<std::vector<std::string>> runs = {
      {"flash", Path("demo.mvx"), "--emulate", "--pace", "window"},
      {"flash", Path("demo.mvx"), "--all", "--emulate", "--emulate-devices", "3",
       "--emulate-fault", "2:vanish:3"}};
  // Each on a terminal of its own, all at once: they only wait on time.
  std::vector<std::future<TerminalRun>> started;
  for (unsigned short columns : widths) {
    for (const std::vector<std::string>& args : runs) {
      started.push_back(std::async(std::launch::async, RunOnTerminal, args, columns, ""));
    }
  }
  auto next = started.begin();
  for (unsigned short columns : widths) {
    for (const std::vector<std::string>& args : runs) {
      const TerminalRun run = (next++)->get();
      std::size_t drawn = 0;
      const std::string clear = "\r\033[K";
      for (std::size_t at = run.Screen.find(clear); at != std::string::npos;
           at = run.Screen.find(clear, at + 1)) {
        const std::size_t from = at + clear.size();
        const std::size_t end = run.Screen.find_first_of("\r\n", from);
        const std::string line = run.Screen.substr(from, end - from);
        EXPECT_LT(line.size(), columns) << line;
        ++drawn;
      }
      EXPECT_GT(drawn, 3u) << run.Screen;
      if (args[2] != "--all") continue;
      const std::vector<std::string> table = {
          "Flashing 3 devices side by side", Heading(columns),
          TableLine(columns, "emu-1", "ZB-000001", "done", "8 of 8", "passed"),
          TableLine(columns, "emu-2", "ZB-000002", "failed", "",
                    "FAILED: Boot data write Ack error"),
          TableLine(columns, "emu-3", "ZB-000003", "done", "8 of 8", "passed")};
      ASSERT_GE(run.Lines.size(), table.size() + 1);
      EXPECT_EQ(std::vector<std::string>(run.Lines.begin(), run.Lines.begin() + 5), table)
          << run.Screen;
      EXPECT_TRUE(std::regex_match(run.Lines[5], std::regex("2 passed, 1 failed in [0-9.]+ s")))
          << run.Lines[5];
      EXPECT_NE(run.Screen.find(" writing "), std::string::npos) << run.Screen;
      EXPECT_NE(run.Screen.find("\033[4A"), std::string::npos) << run.Screen;
    }
  }
}

// A table taller than the terminal (40 lines here) could not be drawn over
// itself: then each board's result is a line of its own.
TEST_F(ZentrelFlashProcess, AllDrawsTheTableOnlyWhenItFits) {
  for (int boards : {38, 39}) {
    const TerminalRun run =
        RunOnTerminal({"flash", Path("demo.mvx"), "--all", "--emulate", "--emulate-devices",
                       std::to_string(boards), kInstant},
                      80, "");
    EXPECT_EQ(run.Code, 0);
    ASSERT_EQ(run.Lines.size(), 41u) << run.Screen;
    EXPECT_EQ(run.Lines[0], "Flashing " + std::to_string(boards) + " devices side by side");
    const bool table = boards == 38;
    EXPECT_EQ(run.Lines[1] == Heading(80), table) << run.Lines[1];
    const std::string result = table ? "passed" : ": passed (8 pages, ";
    for (std::size_t i = 2; i < 40; ++i) {
      EXPECT_NE(run.Lines[i].find(result), std::string::npos) << run.Lines[i];
    }
  }
}

// Ctrl-C during --all on a terminal: the table, drawn over itself, ends
// with where each board stopped, and the result follows on lines of its own.
TEST_F(ZentrelFlashProcess, InterruptedAllEndsTheTableCleanly) {
  std::vector<std::uint8_t> bytes;
  const std::string hex = WriteHex(200, bytes);
  for (unsigned short columns : {80, 120}) {
    const TerminalRun run =
        RunOnTerminal({"flash", hex, "--all", "--emulate", "--emulate-devices", "2", "--pace",
                       "window"},
                      // Both rows of one frame writing: neither is still erasing.
                      columns, "ZB-000001 +writing [^\n]*\n[^\n]*ZB-000002 +writing ");
    EXPECT_EQ(run.Code, 130);
    ASSERT_EQ(run.Lines.size(), 6u) << run.Screen;
    EXPECT_EQ(run.Lines[0], "Flashing 2 devices side by side");
    EXPECT_EQ(run.Lines[1], Heading(columns));
    const char* boards[2][2] = {{"emu-1", "ZB-000001"}, {"emu-2", "ZB-000002"}};
    for (int b = 0; b < 2; ++b) {
      const std::string& line = run.Lines[2 + b];
      // The pages it stopped after, from its PAGES column.
      const std::string pages = std::to_string(std::atoi(line.c_str() + 53));
      EXPECT_EQ(line, TableLine(columns, boards[b][0], boards[b][1], "failed", pages + " of 201",
                                "FAILED: download interrupted after page " + pages +
                                    " of 201: the device holds an incomplete image; flash it "
                                    "again"));
    }
    EXPECT_TRUE(std::regex_match(run.Lines[4], std::regex("0 passed, 2 failed in [0-9.]+ s")))
        << run.Lines[4];
    EXPECT_TRUE(std::regex_match(
        run.Lines[5], std::regex("zentrel-flash: interrupted; 0 passed, 2 failed in [0-9.]+ s")))
        << run.Lines[5];
  }
}

}  // namespace
}  // namespace zentrel::test
