// zentrel-flash as a user runs it: the real program as a process, its exit
// code, stdout and stderr; on a pseudo-terminal of a given width; and a
// scratch folder with a copy of examples/demo.mvx for each test.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
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

// Every child gets this long from its start. A fault that makes the program
// wait must fail its test, not hang the suite: past the limit the child is
// killed and the test fails, naming itself, with what the child wrote so far.
inline constexpr int kChildLimitMs = 20'000;

struct SpawnOptions {
  bool CloseOut = false;  // stdout closed: writes to it fail
  // > 0: no file it writes grows beyond that, as if the disk were full there.
  unsigned long FileSizeLimit = 0;
  // The program runs as user nobody (from root, whom no file mode stops).
  bool AsNobody = false;
};

// The program started with args, stdout and stderr read through pipes.
// Killed when it goes out of scope still running.
class Child {
 public:
  explicit Child(const std::vector<std::string>& args, const SpawnOptions& options = {});
  ~Child();
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }
  const std::string& Out() const { return out_; }
  const std::string& Err() const { return err_; }
  // Reads both pipes until stdout (or stderr) holds text; false if the
  // pipes end or the time limit passes first.
  bool ReadOutUntil(const std::string& text) { return ReadUntil(out_, text); }
  bool ReadErrUntil(const std::string& text) { return ReadUntil(err_, text); }
  // True if the child writes nothing for ms (well within its time limit).
  bool QuietFor(int ms);
  // Reads both pipes to their end, then the exit code.
  Outcome Finish();

 private:
  enum class Read { Wanted, Ended, TimeUp };
  bool ReadUntil(const std::string& stream, const std::string& text);
  // Reads what comes until wanted() holds, the pipes end or the clock passes until.
  template <typename Wanted>
  Read Pump(Wanted wanted, std::chrono::steady_clock::time_point until);
  // Kills the child and fails the test with the output read so far.
  void TimeUp();

  std::string command_;
  pid_t pid_ = -1;
  int fds_[2] = {-1, -1};  // stdout, stderr
  std::string out_, err_;
  std::chrono::steady_clock::time_point deadline_;
};

Outcome RunProgram(const std::vector<std::string>& args, const SpawnOptions& options = {});
// RunCommandLine as main runs it, in this process, with stdout and stderr
// caught: for what the program decides before it starts any work.
Outcome RunInProcess(std::vector<std::string> args);

// All the program drew on a pseudo-terminal of the given width, and the
// lines a terminal shows in the end (scrolled-off ones included).
struct TerminalRun {
  int Code = -1;
  std::string Screen;
  std::vector<std::string> Lines;
};
// With interruptWhen, Ctrl-C (SIGINT) once the output so far holds a match
// of that regular expression. Under the same time limit as a Child.
TerminalRun RunOnTerminal(std::vector<std::string> args, unsigned short columns = 120,
                          const std::string& interruptWhen = "");

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
