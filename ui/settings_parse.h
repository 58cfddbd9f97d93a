// Reads a vendor or product ID as the settings dialog takes it from an edit:
// the rules of the C "%x" input conversion over at most nine characters.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zentrel {

// The dialog reads each edit into a ten-byte buffer, so only this many
// characters of an entry ever count.
inline constexpr std::size_t kIdEntryChars = 9;

// Looks at most kIdEntryChars characters of text (fewer if a zero byte comes
// first): leading white space, an optional sign, an optional 0x/0X prefix,
// then hexadecimal digits in either case up to the first other character.
// A minus negates in unsigned 32-bit arithmetic; more digits than fit wrap.
// Returns true and stores the number when one was read; otherwise returns
// false and leaves value as it was.
bool ParseHexId(const char* text, std::uint32_t& value);

}  // namespace zentrel
