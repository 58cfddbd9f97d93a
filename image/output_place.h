// The platform's part of writing output files (whole_file_writer): what a
// path leads to, whether this program may write it, and writing into a
// device or a pipe as it is. Windows builds use win32/, others posix/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zentrel {

enum class OutputPlace : std::uint8_t {
  Nothing,      // no file yet, or none that can be looked at: making one says why
  RegularFile,  // replaced whole by a new file
  Directory,
  Stream,       // a device or a FIFO (Windows: NUL): written into, never replaced
  Socket,       // cannot be opened as a file
};

// What path leads to, through symbolic links.
OutputPlace LookAtOutput(const std::string& path);

// Whether path leads to where standard output goes (/dev/stdout, or the
// file stdout was sent to), so that nothing else is written there.
bool IsStandardOutput(const std::string& path);

// Empty when this program may open the existing path for writing, as the
// shell's ">" may; else why not ("Permission denied"). Never opens it: a
// FIFO would wait for its reader, a device may act on being opened.
std::string WriteAccessProblem(const std::string& path);

// Writes all size bytes into the existing device or FIFO at path, opened for
// writing only: never made, cut short or replaced. A FIFO waits for its
// reader, as with ">". False with error set ("No space left on device") when
// not every byte went in.
bool WriteIntoStream(const std::string& path, const std::uint8_t* data, std::size_t size,
                     std::string& error);

}  // namespace zentrel
