#include "image/whole_file_reader.h"

namespace zentrel {

std::string FileReadReason(const FileRead& read) {
  switch (read.Fault) {
    case FileReadFault::None: return "";
    case FileReadFault::NotFound: return "No such file or directory";
    case FileReadFault::IsDirectory: return "Is a directory";
    case FileReadFault::AccessDenied: return "Permission denied";
    case FileReadFault::NotRegularFile: return "not a regular file";
    case FileReadFault::TooLarge:
      return "larger than " + std::to_string(kFileBufferSize) + " bytes";
    case FileReadFault::Empty: return "empty";
    case FileReadFault::InUse: return "in use by another program";
    case FileReadFault::Other: break;
  }
  return SystemErrorText(read.SystemError);
}

}  // namespace zentrel
