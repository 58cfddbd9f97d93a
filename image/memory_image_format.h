// Layout of a memory image file (.mvx): a 43-byte text header naming the
// hardware, then the flash bytes from address 0 as hex digit pairs in lines,
// ended by the letter 'L'.
#pragma once

#include <cstdint>

namespace zentrel {

inline constexpr std::uint32_t kMemoryImageHeaderSize = 43;
// Platform name: up to the first blank or CR.
inline constexpr std::uint32_t kHeaderPlatformOffset = 15;
// Hardware version: up to the first 'x' or CR; the 'x' stands for any rest.
inline constexpr std::uint32_t kHeaderHwVersionOffset = 33;
inline constexpr std::uint8_t kMemoryImageEndMark = 'L';

inline constexpr bool EndsHeaderPlatform(std::uint8_t c) { return c == ' ' || c == '\r'; }
inline constexpr bool EndsHeaderHwVersion(std::uint8_t c) { return c == 'x' || c == '\r'; }

}  // namespace zentrel
