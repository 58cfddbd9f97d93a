// Files that zentrel-flash writes (--output, --emulate-dump): checked before
// any work starts, so that a bad path is found at once and the firmware file
// is never overwritten.
#pragma once

#include <string>

namespace zentrel::cli {

// Empty when output can be written and is not the input file itself (the
// same file, however it is named); else why not.
std::string CheckOutputPath(const std::string& output, const std::string& input);

}  // namespace zentrel::cli
