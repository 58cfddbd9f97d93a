#include "image/firmware_loader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "image/binary_reader.h"
#include "image/elf_reader.h"
#include "image/file_at_offset.h"
#include "image/intel_hex_reader.h"
#include "image/memory_image_reader.h"
#include "image/sha256.h"
#include "image/srec_reader.h"

namespace zentrel {

namespace {

// The extension after the last dot of the file's name, lower case; empty
// when the name has none.
std::string Extension(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c) {
    if (*c == '/' || *c == '\\') name = c + 1;
  }
  const char* dot = std::strrchr(name, '.');
  std::string ext = dot == nullptr ? "" : dot + 1;
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

FirmwareFormat FormatOfExtension(const std::string& ext) {
  for (const char* s : {"srec", "s19", "s28", "s37", "mot"}) {
    if (ext == s) return FirmwareFormat::SRecord;
  }
  if (ext == "bin") return FirmwareFormat::Binary;
  for (const char* e : {"elf", "axf", "out"}) {
    if (ext == e) return FirmwareFormat::Elf;
  }
  return FirmwareFormat::None;
}

bool ReadFileAt(void* context, std::uint64_t offset, std::uint8_t* into, std::uint32_t count) {
  return static_cast<FileAtOffset*>(context)->ReadAt(offset, into, count);
}

// The whole file through FileBuffer in parts: FileBuffer holds no text of
// an ELF file, which may be larger.
bool DigestWholeFile(FileAtOffset& file, ImageStore& store) {
  Sha256 sha;
  for (std::uint64_t at = 0; at < file.Size();) {
    const auto part =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(file.Size() - at, kFileBufferSize));
    if (!file.ReadAt(at, store.FileBuffer.data(), part)) return false;
    sha.Update(store.FileBuffer.data(), part);
    at += part;
  }
  KeepFileDigest(store, sha.HexDigest());
  return true;
}

// Only a raw binary takes --address, and it needs one.
ChoiceProblem AddressProblem(FirmwareFormat format, bool hasAddress) {
  const bool binary = format == FirmwareFormat::Binary;
  if (binary == hasAddress) return ChoiceProblem::None;
  return binary ? ChoiceProblem::AddressMissing : ChoiceProblem::AddressUnused;
}

FirmwareLoad& RefuseRead(FirmwareLoad& out, const FileRead& read) {
  out.Load.File = read;
  std::snprintf(out.Load.BoxText, sizeof out.Load.BoxText, "%s", "File read error");
  return out;
}

}  // namespace

const char* ReasonName(FormatReason reason) {
  switch (reason) {
    case FormatReason::Option: return "format_option";
    case FormatReason::Magic: return "magic";
    case FormatReason::Extension: return "extension";
    case FormatReason::Letter: break;
  }
  return "letter";
}

FormatChosen ChooseFormat(const char* path, const std::uint8_t* head, std::size_t count,
                          FirmwareFormat option) {
  const std::size_t length = std::strlen(path);
  FormatChosen chosen;
  chosen.Letter = length >= 3 ? path[length - 3] : 0;
  if (option != FirmwareFormat::None) {
    chosen.Format = option;
    chosen.Reason = FormatReason::Option;
  } else if (HasElfMagic(head, count)) {
    chosen.Format = FirmwareFormat::Elf;
    chosen.Reason = FormatReason::Magic;
  } else if (const FirmwareFormat byExtension = FormatOfExtension(Extension(path));
             byExtension != FirmwareFormat::None) {
    chosen.Format = byExtension;
    chosen.Reason = FormatReason::Extension;
  } else {
    // Exactly as the windows: case matters, only the one letter counts.
    chosen.Format = chosen.Letter == 'h'   ? FirmwareFormat::IntelHex
                    : chosen.Letter == 'm' ? FirmwareFormat::MemoryImage
                                           : FirmwareFormat::None;
    chosen.Reason = FormatReason::Letter;
  }
  return chosen;
}

FirmwareLoad LoadFirmware(ImageStore& store, const char* path, const FirmwareChoice& choice) {
  FirmwareLoad out;
  ImageLoad& load = out.Load;
  StartLoad(store);
  // A choice named on the command line is judged before the file is touched.
  if (choice.Format != FirmwareFormat::None) {
    out.Chosen = ChooseFormat(path, nullptr, 0, choice.Format);
    out.Problem = AddressProblem(choice.Format, choice.HasAddress);
    if (out.Problem != ChoiceProblem::None) return out;
  }

  FileAtOffset file;
  const FileRead opened = file.Open(path);
  if (opened.Fault != FileReadFault::None) return RefuseRead(out, opened);
  std::uint8_t head[4] = {};
  const auto headCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(file.Size(), 4));
  if (!file.ReadAt(0, head, headCount)) return RefuseRead(out, {0, FileReadFault::Other, 0});
  out.Chosen = ChooseFormat(path, head, headCount, choice.Format);
  const FirmwareFormat format = out.Chosen.Format;
  out.Problem = AddressProblem(format, choice.HasAddress);
  if (out.Problem != ChoiceProblem::None) return out;
  store.ImageKind = format == FirmwareFormat::MemoryImage ? 'm'
                    : format == FirmwareFormat::None      ? out.Chosen.Letter
                                                          : 'h';

  ReadResult result;
  if (format == FirmwareFormat::Elf) {
    ByteSource source{&file, file.Size(), ReadFileAt};
    result = ReadElf(source, store.ImageBuffer, out.Layout);
    if (!DigestWholeFile(file, store)) return RefuseRead(out, {0, FileReadFault::Other, 0});
  } else {
    // The text formats' limit, also for a file whose name names no reader,
    // as the windows read it first.
    if (file.Size() > kFileBufferSize) return RefuseRead(out, {0, FileReadFault::TooLarge, 0});
    const auto size = static_cast<std::uint32_t>(file.Size());
    if (!file.ReadAt(0, store.FileBuffer.data(), size)) {
      return RefuseRead(out, {0, FileReadFault::Other, 0});
    }
    store.FileLength = size;
    load.File.Length = size;
    KeepFileDigest(store, Sha256Hex(store.FileBuffer.data(), size));
    const std::uint8_t* text = store.FileBuffer.data();
    switch (format) {
      case FirmwareFormat::IntelHex: result = ReadIntelHex(text, size, store.ImageBuffer); break;
      case FirmwareFormat::MemoryImage:
        result = ReadMemoryImage(text, size, store.ImageBuffer);
        break;
      case FirmwareFormat::SRecord:
        result = ReadSRecord(text, size, store.ImageBuffer, out.Layout);
        break;
      case FirmwareFormat::Binary:
        result = ReadBinary(text, size, choice.Address, store.ImageBuffer, out.Layout);
        break;
      case FirmwareFormat::Elf:
      case FirmwareFormat::None:
        std::snprintf(load.BoxText, sizeof load.BoxText, "%s",
                      "File has unsupported suffix format");
        return out;
    }
  }
  store.Format = format;
  if (!FinishLoad(store, format, result, load)) out.Layout = ImageLayout{};
  return out;
}

}  // namespace zentrel
