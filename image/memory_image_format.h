// Layout of a memory image file (.mvx): a text header line naming the
// hardware, 41 characters and CR LF (43 bytes) or LF (42), then the flash
// bytes from address 0 as hex digit pairs in lines, ended by the letter 'L'.
// A header line of 42 or 43 characters is taken too: the body always begins
// after the header's line end.
#pragma once

#include <cstdint>

namespace zentrel {

// Where the header's line end begins: CR LF at 41 and 42, or LF at 41; at 43
// at the latest.
inline constexpr std::uint32_t kHeaderLineEndOffset = 41;
inline constexpr std::uint32_t kLastHeaderLineEndOffset = 43;
// Platform name: up to the first blank or line end.
inline constexpr std::uint32_t kHeaderPlatformOffset = 15;
// Hardware version: up to the first 'x' or line end; the 'x' stands for any
// rest.
inline constexpr std::uint32_t kHeaderHwVersionOffset = 33;
inline constexpr std::uint8_t kMemoryImageEndMark = 'L';

// The LF counts too: with an LF header the version field that fills its
// eight places is ended by the LF at 41, as the CR ends it in a CR LF header.
inline constexpr bool EndsHeaderPlatform(std::uint8_t c) {
  return c == ' ' || c == '\r' || c == '\n';
}
inline constexpr bool EndsHeaderHwVersion(std::uint8_t c) {
  return c == 'x' || c == '\r' || c == '\n';
}

}  // namespace zentrel
