// Files the programs write (an image, a board's flash, a trace): checked
// before any work starts, so that a bad path is found at once and the
// firmware file is never overwritten; then a file is written whole or not at
// all, while a device or a FIFO (/dev/stdout, /dev/null) is written into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrel {

// Empty when output can be written and is not the input file itself (the
// same file, however it is named: ./fw.hex, a symbolic or a hard link); else
// why not. Can be written: an existing file or device the user may write, as
// with the shell's ">", and for a file, a new one can be made in its folder.
// An empty path, a directory and a socket are refused.
std::string CheckOutputPath(const std::string& output, const std::string& input);

// Writes size bytes to path through a new file in the same folder, which
// then replaces path in one rename, keeping its permissions: a full disk or
// any other failure leaves the old file as it was, or no file. A symbolic
// link stays; its target gets the bytes, and is made when missing. A device
// or a FIFO is never replaced: the bytes go into it. False with error set
// (the reason) when it could not.
// The file that writing to path writes, as an absolute path: its symbolic
// links followed, also to a file not made yet. Empty when the links go round
// in a circle. Two paths that give the same file write the same file.
std::string OutputFileOf(const std::string& path);

bool WriteOutputFile(const std::string& path, const std::uint8_t* data, std::size_t size,
                     std::string& error);

}  // namespace zentrel
