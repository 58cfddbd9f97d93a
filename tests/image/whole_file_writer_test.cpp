// Output paths that name more than a plain new file: a link to nothing, a
// file with its own mode (POSIX).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "image/whole_file_writer.h"
#include "image_test_support.h"

namespace zentrel::test {
namespace {

// Each case in a folder of its own.
class OutputPaths : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(mkdtemp(dir_.data()), nullptr);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_ = testing::TempDir() + "zentrel_output_XXXXXX";
};

struct PlaceCase {
  const char* Name;
  int (*Make)(const char* path);  // makes dir/out; 0 when it could
  std::string Error;              // why the write fails; empty when it writes
  mode_t After;                   // dir/out's own type and mode afterwards
  std::string Holder;             // then holds the bytes ("" none)
};

void PrintTo(const PlaceCase& c, std::ostream* os) { *os << c.Name; }

class OutputInto : public OutputPaths, public testing::WithParamInterface<PlaceCase> {};

TEST_P(OutputInto, IsCheckedWrittenAndLeftWhatItWas) {
  const PlaceCase& c = GetParam();
  const std::string out = dir_ + "/out";
  if (c.Make(out.c_str()) != 0) GTEST_SKIP() << "cannot make " << c.Name << " here";
  EXPECT_EQ(CheckOutputPath(out, ""), "");
  std::string error;
  EXPECT_EQ(WriteOutputFile(out, reinterpret_cast<const std::uint8_t*>("\0zentrel\xff"), 9, error),
            c.Error.empty());
  EXPECT_EQ(error, c.Error);
  struct stat status {};
  ASSERT_EQ(lstat(out.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode, c.After);
  if (!c.Holder.empty()) {
    EXPECT_EQ(ReadWholeText(dir_ + c.Holder), std::string("\0zentrel\xff", 9));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputInto,
    testing::Values(
        PlaceCase{"DanglingLink", [](const char* p) { return symlink("made.bin", p); }, "",
                  S_IFLNK | 0777, "/made.bin"},
        PlaceCase{"FileOfItsOwnMode",
                  [](const char* p) { return close(creat(p, 0)) | chmod(p, 0604); }, "",
                  S_IFREG | 0604, "/out"}),
    kRowName);

}  // namespace
}  // namespace zentrel::test
