// The file digest of the JSON record against the standard's own examples,
// the tail in one block and in two.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "image/sha256.h"

namespace zentrel {
namespace {

TEST(Sha256, StandardExamples) {
  struct Row {
    std::string Text;
    const char* Digest;
  };
  const Row rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000, 'a'),
       "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Sha256Hex(reinterpret_cast<const std::uint8_t*>(row.Text.data()), row.Text.size()),
              row.Digest)
        << row.Text.size() << " bytes";
    // Fed in pieces, as a file read in parts is: blocks split and topped up.
    for (std::size_t piece : {1u, 7u, 63u, 65u}) {
      Sha256 sha;
      const auto* data = reinterpret_cast<const std::uint8_t*>(row.Text.data());
      for (std::size_t at = 0; at < row.Text.size(); at += piece) {
        sha.Update(data + at, std::min(piece, row.Text.size() - at));
      }
      EXPECT_EQ(sha.HexDigest(), row.Digest) << row.Text.size() << " bytes in pieces of " << piece;
    }
  }
}

}  // namespace
}  // namespace zentrel
