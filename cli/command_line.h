// zentrel-flash's command line: its commands and options, parsed and run.
#pragma once

namespace zentrel::cli {

// Parses argv and runs the command it names; returns the exit code. Writes
// --help, --version and option errors itself.
int RunCommandLine(int argc, char** argv);

}  // namespace zentrel::cli
