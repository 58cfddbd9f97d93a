// ELF executable to a flash image indexed by device address: the bytes of
// every loadable segment at its load address. An ELF file with its debug
// information is many MiB, so only its headers and loadable bytes are read,
// each by its offset, never the whole file.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/image_placement.h"
#include "image/image_store.h"
#include "image/read_result.h"

namespace zentrel {

// Where the reader gets the file's bytes: a file on disk, or bytes in memory.
struct ByteSource {
  void* Context = nullptr;
  std::uint64_t Size = 0;
  // All count bytes from offset, or false.
  bool (*ReadAt)(void* context, std::uint64_t offset, std::uint8_t* into,
                 std::uint32_t count) = nullptr;
};

// True when bytes begin with the ELF magic (0x7F 'E' 'L' 'F').
bool HasElfMagic(const std::uint8_t* bytes, std::size_t count);

// Reads an ELF executable (32 or 64-bit, either byte order) into `image`, a
// cleared one: the p_filesz bytes of every PT_LOAD segment at its physical
// address p_paddr (the load address, what the flash holds; p_vaddr differs
// for initialised data that start-up copies to RAM), laid out as
// ImagePlacement says, one listed range per segment. p_memsz beyond
// p_filesz is RAM that start-up zeroes: not written.
//
// Length on success: one past the highest segment byte in the image.
// Refused, Line 0 (the file): not an ELF file, truncated ELF header, an
// unknown class, byte order or version, not an executable (ET_EXEC), a
// program header size that does not match the class, truncated program
// headers, no loadable segment with bytes, a read that failed. Line n + 1
// (program header n): segment bytes beyond the end of the file, data
// beyond the image buffer, a byte written twice.
ReadResult ReadElf(const ByteSource& file, ImageBytes& image, ImageLayout& layout);

}  // namespace zentrel
