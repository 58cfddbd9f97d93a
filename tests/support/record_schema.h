// Every JSON line a test reads from zentrel-flash is checked against the
// schema the package ships, by a real validator (Debian's python3-jsonschema):
// a field the schema does not describe, or a missing required one, fails.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zentrel::testing {

#ifdef _WIN32
// The Windows build's tests run under Wine, with no Python beside them; the
// Linux build checks the same records.
inline void ExpectValidRecords(const std::string&) {}
#else
inline void ExpectValidRecords(const std::string& lines) {
  char name[] = "/tmp/zentrel-records-XXXXXX";
  const int fd = mkstemp(name);
  ASSERT_GE(fd, 0);
  std::FILE* file = fdopen(fd, "w");
  std::fwrite(lines.data(), 1, lines.size(), file);
  std::fclose(file);
  const std::string command = std::string("timeout 60 /usr/bin/python3 ") + ZENTREL_SOURCE_DIR +
                              "/tests/support/validate_records.py " + ZENTREL_SOURCE_DIR +
                              "/docs/zentrel-flash-records.schema.json < " + name + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string said;
  char buffer[4096];
  for (std::size_t n; pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    said.append(buffer, n);
  }
  const int status = pipe != nullptr ? pclose(pipe) : -1;
  std::remove(name);
  EXPECT_EQ(status, 0) << "records not valid against the schema:\n" << said;
}
#endif

}  // namespace zentrel::testing
