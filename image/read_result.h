// What a firmware file reader reports: the image length, or where and why the
// text was refused.
#pragma once

#include <cstdint>

namespace zentrel {

struct ReadResult {
  bool Ok = false;
  std::uint32_t Length = 0;     // ImageLength when Ok
  std::uint32_t Line = 0;       // 1-based line of the fault; 0: in the .mvx header
  const char* Cause = nullptr;  // short lower-case text when not Ok
};

inline ReadResult ReadSucceeded(std::uint32_t length) { return {true, length, 0, nullptr}; }
inline ReadResult ReadRefused(std::uint32_t line, const char* cause) {
  return {false, 0, line, cause};
}
inline ReadResult ReadRefusedInHeader(const char* cause) { return {false, 0, 0, cause}; }

}  // namespace zentrel
