#include "image/whole_file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace zentrel {

namespace fs = std::filesystem;

namespace {

// The file that writing to path replaces: path itself, or where path leads
// when it is a symbolic link.
fs::path OutputTarget(const std::string& path) {
  std::error_code ec;
  if (!fs::is_symlink(path, ec)) return path;
  const fs::path resolved = fs::weakly_canonical(path, ec);
  return ec ? fs::path(path) : resolved;
}

// Opens a new file beside target (same folder, so that a rename can replace
// target); nullptr with error set when none can be made there.
std::FILE* NewFileBeside(const fs::path& target, fs::path& name, std::string& error) {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 8; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".part-%016llx",
                  static_cast<unsigned long long>(random()));
    name = target.parent_path() / ("." + target.filename().string() + suffix);
    std::error_code ec;
    if (fs::exists(name, ec)) continue;
    std::FILE* file = std::fopen(name.string().c_str(), "wb");
    if (file == nullptr) error = std::strerror(errno);
    return file;
  }
  error = "no free name for a new file";
  return nullptr;
}

}  // namespace

std::string CheckOutputPath(const std::string& output, const std::string& input) {
  if (output.empty()) return "an empty path names no file";
  std::error_code ec;
  // Compares files, not names: links and other spellings lead to the same one.
  if (!input.empty() && fs::exists(output, ec) && fs::equivalent(output, input, ec)) {
    return output + " is the firmware file itself";
  }
  if (fs::is_directory(output, ec)) return output + " is a directory";
  fs::path probe;
  std::string error;
  std::FILE* file = NewFileBeside(OutputTarget(output), probe, error);
  if (file == nullptr) return "cannot write " + output + ": " + error;
  std::fclose(file);
  fs::remove(probe, ec);
  return "";
}

bool WriteOutputFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                     std::string& error) {
  const fs::path target = OutputTarget(path);
  fs::path part;
  std::FILE* file = NewFileBeside(target, part, error);
  if (file == nullptr) return false;
  bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
  written = written && std::fflush(file) == 0;
  if (!written) error = std::strerror(errno);
  if (std::fclose(file) != 0 && written) {
    written = false;
    error = std::strerror(errno);
  }
  std::error_code ec;
  if (written) {
    fs::rename(part, target, ec);
    if (!ec) return true;
    error = ec.message();
  }
  fs::remove(part, ec);
  return false;
}

}  // namespace zentrel
