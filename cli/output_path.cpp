#include "cli/output_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace zentrel::cli {

std::string CheckOutputPath(const std::string& output, const std::string& input) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!input.empty() && fs::exists(output, ec) && fs::equivalent(output, input, ec)) {
    return output + " is the firmware file itself";
  }
  if (fs::is_directory(output, ec)) return output + " is a directory";
  const bool existed = fs::exists(output, ec);
  // Open for appending: proves the right to write without changing a byte.
  std::ofstream probe(output, std::ios::binary | std::ios::app);
  if (!probe) return "cannot write " + output + ": " + std::strerror(errno);
  probe.close();
  if (!existed) fs::remove(output, ec);
  return "";
}

}  // namespace zentrel::cli
