#include "tests/cli/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <utility>

#include "cli/commands.h"
#include "tests/image/hex_text_builder.h"
#include "tests/support/record_schema.h"

namespace zentrel::test {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// What the test names in a failure: itself and the command it ran.
std::string TestName() {
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return test == nullptr ? "?" : std::string(test->test_suite_name()) + "." + test->name();
}

std::string CommandLine(const std::vector<std::string>& args) {
  std::string line = "zentrel-flash";
  for (const std::string& a : args) line += " " + a;
  return line;
}

int MsUntil(Clock::time_point until) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count()));
}

int ExitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void KillAndReap(pid_t pid) {
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

Child::Child(const std::vector<std::string>& args, const SpawnOptions& options)
    : command_(CommandLine(args)),
      deadline_(Clock::now() + std::chrono::milliseconds(kChildLimitMs)) {
  int out[2], err[2];
  if (pipe(out) != 0) return;
  if (pipe(err) != 0) {
    close(out[0]);
    close(out[1]);
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    if (options.CloseOut) close(1);
    if (options.FileSizeLimit > 0) {
      // The write fails with EFBIG instead of the signal ending the program.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{options.FileSizeLimit, options.FileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    constexpr unsigned kNobody = 65534;
    if (options.AsNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
    std::vector<char*> argv;
    std::string program = ZENTREL_FLASH_PROGRAM;
    argv.push_back(program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  fds_[0] = out[0];
  fds_[1] = err[0];
  if (pid_ < 0) {
    for (int& fd : fds_) close(std::exchange(fd, -1));
  }
}

Child::~Child() {
  for (int fd : fds_) {
    if (fd >= 0) close(fd);
  }
  if (pid_ > 0) KillAndReap(pid_);
}

template <typename Wanted>
Child::Read Child::Pump(Wanted wanted, Clock::time_point until) {
  while (!wanted()) {
    pollfd polled[2] = {{fds_[0], POLLIN, 0}, {fds_[1], POLLIN, 0}};
    if (polled[0].fd < 0 && polled[1].fd < 0) return Read::Ended;
    const int ready = poll(polled, 2, MsUntil(until));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return Read::TimeUp;
    for (int k = 0; k < 2; ++k) {
      if (polled[k].fd < 0 || polled[k].revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(fds_[k], buffer, sizeof buffer);
      if (n > 0) {
        (k == 0 ? out_ : err_).append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(std::exchange(fds_[k], -1));
      }
    }
  }
  return Read::Wanted;
}

void Child::TimeUp() {
  KillAndReap(std::exchange(pid_, -1));
  ADD_FAILURE() << TestName() << ": `" << command_ << "` still ran after " << kChildLimitMs
                << " ms and was killed.\nIts stdout so far:\n"
                << out_ << "\nIts stderr so far:\n"
                << err_;
}

bool Child::ReadUntil(const std::string& stream, const std::string& text) {
  if (pid_ <= 0) return false;
  const Read read =
      Pump([&] { return stream.find(text) != std::string::npos; }, deadline_);
  if (read == Read::TimeUp) TimeUp();
  return read == Read::Wanted;
}

bool Child::QuietFor(int ms) {
  const std::size_t before = out_.size() + err_.size();
  const Read read = Pump([&] { return out_.size() + err_.size() > before; },
                         std::min(deadline_, Clock::now() + std::chrono::milliseconds(ms)));
  return read == Read::TimeUp;
}

Outcome Child::Finish() {
  Outcome run;
  if (pid_ > 0) {
    if (Pump([] { return false; }, deadline_) == Read::TimeUp) {
      TimeUp();
    } else {
      // The pipes ended; the program ends with them (or soon after).
      int status = 0;
      pid_t ended = 0;
      while ((ended = waitpid(pid_, &status, WNOHANG)) == 0 && MsUntil(deadline_) > 0) {
        poll(nullptr, 0, 5);
      }
      if (ended == pid_) {
        pid_ = -1;
        run.Code = ExitCode(status);
      } else if (ended == 0) {
        TimeUp();
      }
    }
  }
  run.Out = out_;
  run.Err = err_;
  return run;
}

Outcome RunProgram(const std::vector<std::string>& args, const SpawnOptions& options) {
  return Child(args, options).Finish();
}

namespace {

std::string ReadBack(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

}  // namespace

Outcome RunInProcess(std::vector<std::string> args) {
  args.insert(args.begin(), "zentrel-flash");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) return {};
  std::fflush(stdout);
  std::fflush(stderr);
  const int savedOut = dup(1), savedErr = dup(2);
  dup2(fileno(out), 1);
  dup2(fileno(err), 2);
  Outcome run;
  run.Code = cli::RunCommandLine(static_cast<int>(argv.size() - 1), argv.data());
  std::fflush(stdout);
  std::fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  close(savedOut);
  close(savedErr);
  run.Out = ReadBack(out);
  run.Err = ReadBack(err);
  return run;
}

TerminalRun RunOnTerminal(std::vector<std::string> args, unsigned short columns,
                          const std::string& interruptWhen) {
  const std::string command = CommandLine(args);
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kChildLimitMs);
  args.insert(args.begin(), ZENTREL_FLASH_PROGRAM);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  TerminalRun run;
  int terminal = -1;
  winsize size{};
  size.ws_row = 40;
  size.ws_col = columns;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
  if (pid < 0) return run;
  if (pid == 0) {
    execv(ZENTREL_FLASH_PROGRAM, argv.data());
    _exit(127);
  }
  char buffer[512];
  // Ends with EIO once the program has ended.
  bool interrupt = !interruptWhen.empty();
  const std::regex when(interruptWhen);
  bool timeUp = false;
  for (;;) {
    pollfd polled{terminal, POLLIN, 0};
    const int ready = poll(&polled, 1, MsUntil(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      timeUp = true;
      break;
    }
    const ssize_t n = read(terminal, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    run.Screen.append(buffer, static_cast<std::size_t>(n));
    if (interrupt && std::regex_search(run.Screen, when)) {
      kill(pid, SIGINT);
      interrupt = false;
    }
  }
  close(terminal);
  if (timeUp) {
    KillAndReap(pid);
    ADD_FAILURE() << TestName() << ": `" << command << "` on a terminal still ran after "
                  << kChildLimitMs << " ms and was killed.\nThe screen so far:\n"
                  << run.Screen;
  } else {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  run.Lines = ScreenLines(run.Screen, columns);
  return run;
}

std::vector<std::string> ScreenLines(const std::string& text, unsigned short columns) {
  std::vector<std::string> lines(1);
  std::size_t row = 0, column = 0;
  const auto down = [&] {
    if (++row == lines.size()) lines.emplace_back();
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\033' && i + 1 < text.size() && text[i + 1] == '[') {
      std::size_t end = i + 2;  // the final byte, '@' to '~'
      while (end < text.size() && (text[end] < '@' || text[end] > '~')) ++end;
      if (end == text.size()) break;
      const std::string n = text.substr(i + 2, end - i - 2);
      if (text[end] == 'K' && lines[row].size() > column) lines[row].resize(column);
      if (text[end] == 'A') row -= std::min<std::size_t>(row, n.empty() ? 1 : std::stoul(n));
      i = end;
    } else if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      down();
    } else if (c >= ' ') {
      if (column == columns) {  // wraps onto the next line
        column = 0;
        down();
      }
      if (lines[row].size() <= column) lines[row].resize(column + 1, ' ');
      lines[row][column++] = c;
    }
  }
  for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::vector<nlohmann::json> JsonLines(const std::string& out) {
  testing::ExpectValidRecords(out);
  std::vector<nlohmann::json> lines;
  for (std::size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(nlohmann::json::parse(out.substr(at, end - at)));
  }
  return lines;
}

std::string HostName() {
  std::ifstream file("/proc/sys/kernel/hostname");
  std::string name;
  std::getline(file, name);
  return name;
}

std::string Sha256Sum(const std::string& path) {
  std::FILE* pipe = popen(("timeout 20 sha256sum '" + path + "'").c_str(), "r");
  char digest[65] = "";
  if (pipe == nullptr) return "";
  if (std::fscanf(pipe, "%64s", digest) != 1) digest[0] = 0;
  pclose(pipe);
  return digest;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void ZentrelFlashProcess::SetUp() {
  dir_ = fs::temp_directory_path() /
         ("zentrel_flash_process_" + std::to_string(getpid()) + "_" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::create_directories(dir_);
  fs::copy_file(fs::path(ZENTREL_SOURCE_DIR) / "examples/demo.mvx", Path("demo.mvx"));
}

void ZentrelFlashProcess::TearDown() { fs::remove_all(dir_); }

std::string ZentrelFlashProcess::WriteHex(int pages, std::vector<std::uint8_t>& bytes,
                                          const char* name) {
  bytes = Pattern(static_cast<std::size_t>(pages) * 128, 0x5A);
  std::string text;
  for (std::size_t at = 0; at < bytes.size(); at += 16) {
    std::vector<std::uint8_t> record(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 16));
    text += Data(static_cast<std::uint16_t>(0x1000 + at), record) + "\r\n";
  }
  text += EndOfFile() + "\r\n";
  const std::string path = Path(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace zentrel::test
