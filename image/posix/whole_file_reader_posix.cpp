#include "image/whole_file_reader.h"

#include <cstdio>

namespace zentrel {

std::uint32_t ReadWholeFile(const char* path, FileBytes& buffer) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return 0;
  const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
  // A full buffer may be the start of a longer file: one more byte decides.
  const bool longer = got == buffer.size() && std::fgetc(file) != EOF;
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || longer) return 0;
  return static_cast<std::uint32_t>(got);
}

}  // namespace zentrel
