#include "cli/flash_dump.h"

#include "image/whole_file_writer.h"

namespace zentrel::cli {

std::string SaveFlashDump(const DeviceOptions& options, const DeviceIdentity& board,
                          const std::vector<std::uint8_t>* flash) {
  const std::string file = DumpPath(options, board);
  std::string error;
  if (file.empty() || flash == nullptr ||
      WriteOutputFile(file, flash->data(), flash->size(), error)) {
    return "";
  }
  return "cannot write " + file + ": " + error;
}

}  // namespace zentrel::cli
