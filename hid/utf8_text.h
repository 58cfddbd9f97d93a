// UTF-8 for the texts the tool shows or writes of a device's USB strings
// (UTF-16 on the seam, UTF-32 wide strings in hidapi, UTF-8 in sysfs).
#pragma once

#include <cstdint>
#include <string>

namespace zentrel {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// A zero-ended UTF-16 text (surrogate pairs joined) as UTF-8.
std::string Utf8FromUtf16(const char16_t* units);

}  // namespace zentrel
