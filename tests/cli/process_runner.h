// zentrel-flash as a user runs it: the real program as a process, its exit
// code, stdout and stderr; on a pseudo-terminal of a given width; and a
// scratch folder with a copy of examples/demo.mvx for each test.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/flash_check.h"

namespace zentrel::test {

using zentrel::testing::ExpectFlashed;

struct Outcome {
  int Code = -1;
  std::string Out, Err;
};

// Starts the program with args; stdout and stderr are pipes unless closeOut
// (writes to stdout then fail). fileSizeLimit > 0: no file it writes grows
// beyond that, as if the disk were full there.
// asNobody: the program runs as user nobody (from root, whom no file mode
// stops).
pid_t Spawn(const std::vector<std::string>& args, int& outFd, int& errFd, bool closeOut,
            unsigned long fileSizeLimit = 0, bool asNobody = false);
// Reads both pipes to their end, then the exit code; out is what was read
// from stdout already.
Outcome Finish(pid_t pid, int outFd, int errFd, std::string out = {});
// Reads stdout into out until it holds text; false if the pipe ends first.
bool ReadUntil(int outFd, std::string& out, const std::string& text);
Outcome RunProgram(const std::vector<std::string>& args, bool closeOut = false,
                   unsigned long fileSizeLimit = 0, bool asNobody = false);

// All the program drew on a pseudo-terminal of the given width, and the
// lines a terminal shows in the end (scrolled-off ones included).
struct TerminalRun {
  int Code = -1;
  std::string Screen;
  std::vector<std::string> Lines;
};
// With interruptAt, Ctrl-C (SIGINT) once the screen shows that text.
TerminalRun RunOnTerminal(std::vector<std::string> args, unsigned short columns = 120,
                          const std::string& interruptAt = "");

// What a terminal of the given width shows after ASCII text: lines wrap at
// the width; carriage return, line feed, cursor up (ESC [ n A) and erase to
// the line's end (ESC [ K) act; other escapes are dropped. Blanks at a
// line's end are left out.
std::vector<std::string> ScreenLines(const std::string& text, unsigned short columns);

// Each line of a --json run, parsed.
std::vector<nlohmann::json> JsonLines(const std::string& out);

// The machine's name, as the kernel has it.
std::string HostName();

// sha256sum's digest of a file.
std::string Sha256Sum(const std::string& path);

// The whole flash of an emulated board as --emulate-dump saved it.
std::vector<std::uint8_t> ReadFile(const std::string& path);

class ZentrelFlashProcess : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string Path(const char* name) const { return (dir_ / name).string(); }
  // An Intel HEX file of `pages` pages of a byte pattern from 0x1000.
  std::string WriteHex(int pages, std::vector<std::uint8_t>& bytes,
                       const char* name = "app.hex");

  std::filesystem::path dir_;
};

inline const std::string kInstant = "--emulate-latency=instant";

}  // namespace zentrel::test
