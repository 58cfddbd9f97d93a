// Output paths that name more than a plain file: a FIFO, a device node, a link
// to nothing, a file with its own mode or one the user may not write (POSIX).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "image/whole_file_writer.h"
#include "image_test_support.h"

namespace zentrel::test {
namespace {

// Each case in a folder of its own that any user may enter and write.
class OutputPaths : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
    ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_ = testing::TempDir() + "zentrel_output_XXXXXX";
};

struct PlaceCase {
  const char* Name;
  int (*Make)(const char* path);  // makes dir/out; 0 when it could
  std::string Error;              // why the write fails; empty when it writes
  mode_t After;                   // dir/out's own type and mode afterwards
  std::string Holder;             // then holds the bytes ("" none); a FIFO: its reader
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.Name; }

class OutputInto : public OutputPaths, public testing::WithParamInterface<PlaceCase> {};

TEST_P(OutputInto, IsCheckedWrittenAndLeftWhatItWas) {
  const PlaceCase& c = GetParam();
  const std::string out = dir_ + "/out";
  if (c.Make(out.c_str()) != 0) GTEST_SKIP() << "cannot make " << c.Name << " here";
  EXPECT_EQ(CheckOutputPath(out, ""), "");
  // The FIFO's reader is there before the write, so that neither waits.
  const int reader = S_ISFIFO(c.After) ? open(out.c_str(), O_RDWR | O_NONBLOCK) : -1;
  std::string error;
  EXPECT_EQ(WriteOutputFile(out, reinterpret_cast<const std::uint8_t*>("\0zentrel\xff"), 9, error),
            c.Error.empty());
  EXPECT_EQ(error, c.Error);
  char fromFifo[16] = {};
  const ssize_t fifoGot = reader >= 0 ? read(reader, fromFifo, sizeof fromFifo) : 0;
  if (reader >= 0) close(reader);
  struct stat status {};
  ASSERT_EQ(lstat(out.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode, c.After);
  if (!c.Holder.empty()) {
    EXPECT_EQ(reader >= 0 ? std::string(fromFifo, std::max<ssize_t>(fifoGot, 0))
                          : ReadWholeText(dir_ + c.Holder),
              std::string("\0zentrel\xff", 9));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputInto,
    testing::Values(
        PlaceCase{"Fifo", [](const char* p) { return mkfifo(p, 0600); }, "", S_IFIFO | 0600,
                  "/out"},
        PlaceCase{"FullDevice",
                  [](const char* p) { return mknod(p, S_IFCHR | 0600, makedev(1, 7)); },
                  "No space left on device", S_IFCHR | 0600, ""},
        PlaceCase{"DanglingLink", [](const char* p) { return symlink("made.bin", p); }, "",
                  S_IFLNK | 0777, "/made.bin"},
        PlaceCase{"FileOfItsOwnMode",
                  [](const char* p) { return close(creat(p, 0)) | chmod(p, 0604); }, "",
                  S_IFREG | 0604, "/out"}),
    kRowName);

// As a user other than root, who may write anything: a read-only file is
// refused as the shell's ">" refuses it; a FIFO is written into, so its
// folder need not take new files.
TEST_F(OutputPaths, AUserIsRefusedAReadOnlyFileButNotAFifoInAClosedFolder) {
  const std::string file = dir_ + "/read_only", fifo = dir_ + "/closed/fifo";
  ASSERT_EQ(close(creat(file.c_str(), 0444)) | mkdir((dir_ + "/closed").c_str(), 0777), 0);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0) | chmod(fifo.c_str(), 0666), 0);
  ASSERT_EQ(chmod((dir_ + "/closed").c_str(), 0555), 0);
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && setuid(65534) != 0) std::_Exit(2);
        std::fprintf(stderr, "[%s][%s]", CheckOutputPath(file, "").c_str(),
                     CheckOutputPath(fifo, "").c_str());
        std::_Exit(0);
      },
      testing::ExitedWithCode(0), "^\\[cannot write .*/read_only: Permission denied\\]\\[\\]$");
}

// However a path names a file, made or not: ./, a relative path, a link;
// links that go round in a circle name none.
TEST_F(OutputPaths, APathNamesTheFileItWouldWrite) {
  const std::string made = dir_ + "/made.bin";
  ASSERT_EQ(symlink("made.bin", (dir_ + "/link").c_str()), 0);
  ASSERT_EQ(symlink("loop", (dir_ + "/loop").c_str()), 0);
  EXPECT_EQ(OutputFileOf(made), made);
  EXPECT_EQ(OutputFileOf(dir_ + "/link"), made);
  EXPECT_EQ(OutputFileOf(dir_ + "/loop"), "");
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  EXPECT_EQ(OutputFileOf("made.bin"), made);
  EXPECT_EQ(OutputFileOf("./made.bin"), made);
  std::filesystem::current_path(here);
}

}  // namespace
}  // namespace zentrel::test
