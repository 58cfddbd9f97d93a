// Reads a whole file into the fixed FileBuffer. Windows builds open the file
// unshared (whole_file_reader_win32.cpp); others use the C library
// (whole_file_reader.cpp). CMake picks one.
#pragma once

#include <cstdint>

#include "image/image_store.h"

namespace zentrel {

// The number of bytes read into buffer from offset 0; 0 when the file cannot
// be opened (on Windows also while another handle holds it open) or read, is
// empty, or is longer than the buffer. Nothing is written past the buffer,
// and the file is closed again on every path.
std::uint32_t ReadWholeFile(const char* path, FileBytes& buffer);

}  // namespace zentrel
