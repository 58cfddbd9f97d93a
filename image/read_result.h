// What a firmware file reader reports: the image length, or where and why the
// text was refused.
#pragma once

#include <cstdint>

namespace zentrel {

struct ReadResult {
  bool Ok = false;
  std::uint32_t Length = 0;     // ImageLength when Ok
  // Where the fault is: the 1-based line of a text; 0 in the .mvx header.
  // ELF: the program header's number + 1; 0 for the file as a whole.
  std::uint32_t Line = 0;
  const char* Cause = nullptr;  // short lower-case text when not Ok
  // The file's address of the piece at fault, when the cause is about one.
  bool HasAddress = false;
  std::uint64_t Address = 0;
};

inline ReadResult ReadSucceeded(std::uint32_t length) { return {true, length, 0, nullptr}; }
inline ReadResult ReadRefused(std::uint32_t line, const char* cause) {
  return {false, 0, line, cause};
}
inline ReadResult ReadRefusedAt(std::uint32_t line, const char* cause, std::uint64_t address) {
  return {false, 0, line, cause, true, address};
}
inline ReadResult ReadRefusedInHeader(const char* cause) { return {false, 0, 0, cause}; }

}  // namespace zentrel
