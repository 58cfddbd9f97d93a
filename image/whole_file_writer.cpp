#include "image/whole_file_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "image/output_place.h"

namespace zentrel {

namespace fs = std::filesystem;

namespace {

// The file that writing to path replaces or makes: path itself, or where its
// symbolic links lead, also when that file is missing (">" makes it there).
// Empty when the links go round in a circle.
fs::path OutputTarget(const std::string& path) {
  fs::path target = path;
  std::error_code ec;
  for (int hop = 0; hop < 40; ++hop) {
    if (!fs::is_symlink(target, ec)) return target;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) break;
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return {};
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

// Empty when a new file can be made beside the one path leads to; else why not.
std::string NewFileProblem(const std::string& path) {
  const fs::path target = OutputTarget(path);
  if (target.empty()) return std::strerror(ELOOP);
  fs::path probe;
  std::string error;
  std::FILE* file = NewFileBeside(target, probe, error);
  if (file == nullptr) return error;
  std::fclose(file);
  std::error_code ec;
  fs::remove(probe, ec);
  return "";
}

// A replaced file keeps its permissions, as one written into with ">" does.
bool KeepPermissions(const fs::path& target, const fs::path& part, std::string& error) {
  std::error_code ec;
  const fs::file_status old = fs::status(target, ec);
  if (ec || !fs::is_regular_file(old)) return true;
  fs::permissions(part, old.permissions() & fs::perms::all, ec);
  if (ec) error = ec.message();
  return !ec;
}

}  // namespace

std::string CheckOutputPath(const std::string& output, const std::string& input) {
  if (output.empty()) return "an empty path names no file";
  std::error_code ec;
  // Compares files, not names: links and other spellings lead to the same one.
  if (!input.empty() && fs::exists(output, ec) && fs::equivalent(output, input, ec)) {
    return output + " is the firmware file itself";
  }
  const OutputPlace place = LookAtOutput(output);
  if (place == OutputPlace::Directory) return output + " is a directory";
  if (place == OutputPlace::Socket) return output + " is a socket";
  // What exists must be writable itself, as with ">"; a file is then replaced
  // through a new one beside it, while a device or a pipe is written into.
  std::string error = place == OutputPlace::Nothing ? "" : WriteAccessProblem(output);
  if (error.empty() && place != OutputPlace::Stream) error = NewFileProblem(output);
  return error.empty() ? "" : "cannot write " + output + ": " + error;
}

std::string OutputFileOf(const std::string& path) {
  const fs::path target = OutputTarget(path);
  std::error_code ec;
  const fs::path absolute = target.empty() ? target : fs::absolute(target, ec);
  return ec || absolute.empty() ? "" : fs::weakly_canonical(absolute, ec).string();
}

bool WriteOutputFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                     std::string& error) {
  if (LookAtOutput(path) == OutputPlace::Stream) return WriteIntoStream(path, data, size, error);
  const fs::path target = OutputTarget(path);
  if (target.empty()) {
    error = std::strerror(ELOOP);
    return false;
  }
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
  written = written && KeepPermissions(target, part, error);
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
