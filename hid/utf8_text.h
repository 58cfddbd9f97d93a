// UTF-8 for the texts the tool shows or writes of a device's USB strings
// (UTF-16 on the seam, UTF-32 wide strings in hidapi, UTF-8 in sysfs).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zentrel {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, std::uint32_t codePoint);

// A zero-ended UTF-16 text (surrogate pairs joined) as UTF-8.
std::string Utf8FromUtf16(const char16_t* units);

// 8-bit text (device strings, file names) as valid UTF-8 without losing a
// byte: valid UTF-8 passes unchanged, and every byte that is not part of a
// valid sequence becomes the character of the same value (0xE9 becomes
// U+00E9, 0xFF becomes U+00FF).
std::string LosslessUtf8(std::string_view bytes);

}  // namespace zentrel
