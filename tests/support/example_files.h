// The example images of the repository, as the platform's file functions
// take their paths.
#pragma once

#include <string>

namespace zentrel::testing {

// A file of the examples folder (ZENTREL_EXAMPLES_DIR, set by the build).
// Under Wine a Windows path: the build host's root is drive Z:.
inline std::string ExamplePath(const char* name) {
  std::string path = std::string(ZENTREL_EXAMPLES_DIR) + "/" + name;
#ifdef _WIN32
  path = "Z:" + path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
#endif
  return path;
}

}  // namespace zentrel::testing
