#include "tests/cli/process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tests/image/hex_text_builder.h"
#include "tests/support/record_schema.h"

namespace zentrel::test {

namespace fs = std::filesystem;

pid_t Spawn(const std::vector<std::string>& args, int& outFd, int& errFd, bool closeOut,
            unsigned long fileSizeLimit, bool asNobody) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    if (closeOut) close(1);
    if (fileSizeLimit > 0) {
      // The write fails with EFBIG instead of the signal ending the program.
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{fileSizeLimit, fileSizeLimit};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    constexpr unsigned kNobody = 65534;
    if (asNobody && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(126);
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
  outFd = out[0];
  errFd = err[0];
  return pid;
}

Outcome Finish(pid_t pid, int outFd, int errFd, std::string out) {
  Outcome run;
  run.Out = std::move(out);
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  int open = 2;
  while (open > 0 && poll(fds, 2, -1) > 0) {
    for (pollfd& f : fds) {
      if (f.fd < 0 || f.revents == 0) continue;
      char buffer[4096];
      const ssize_t n = read(f.fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(f.fd);
        f.fd = -1;
        --open;
      } else {
        (f.fd == outFd ? run.Out : run.Err).append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

bool ReadUntil(int outFd, std::string& out, const std::string& text) {
  char buffer[256];
  while (out.find(text) == std::string::npos) {
    const ssize_t n = read(outFd, buffer, sizeof buffer);
    if (n <= 0) return false;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

Outcome RunProgram(const std::vector<std::string>& args, bool closeOut,
                   unsigned long fileSizeLimit, bool asNobody) {
  int outFd = -1, errFd = -1;
  const pid_t pid = Spawn(args, outFd, errFd, closeOut, fileSizeLimit, asNobody);
  return Finish(pid, outFd, errFd);
}

TerminalRun RunOnTerminal(std::vector<std::string> args, unsigned short columns,
                          const std::string& interruptAt) {
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
  bool interrupt = !interruptAt.empty();
  for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
    run.Screen.append(buffer, static_cast<std::size_t>(n));
    if (interrupt && run.Screen.find(interruptAt) != std::string::npos) {
      kill(pid, SIGINT);
      interrupt = false;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(terminal);
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
  std::FILE* pipe = popen(("sha256sum '" + path + "'").c_str(), "r");
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
