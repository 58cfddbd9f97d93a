// Shell completion for zentrel-flash, written from the same commands and
// options that --help lists, so that no option can be left out of it.
#pragma once

#include <string>
#include <vector>

namespace zentrel::cli {

// What may follow an option, or stand as a command's operand.
enum class CompletionValue {
  None,      // a flag
  Typed,     // a number or an ID: nothing to offer
  Choice,    // one of Choices
  File,      // any file
  Firmware,  // a firmware file, by its extension
  Port,      // a port that `list` shows
  Serial,    // a serial number that `list` shows
};

struct CompletionOption {
  std::vector<std::string> Names;  // "-q", "--quiet"
  std::string Help;                // one line
  CompletionValue Value = CompletionValue::None;
  std::vector<std::string> Choices;
  bool Repeatable = false;
  bool JoinedFile = false;  // a FILE only after '=' (--trace=FILE), else a flag
};

struct CompletionCommand {
  std::string Name;
  std::string Help;
  CompletionValue Operand = CompletionValue::None;  // what its positional takes
  std::vector<std::string> OperandChoices;
  std::vector<CompletionOption> Options;
};

// The extensions a firmware file is offered by, lower case without the dot.
extern const std::vector<std::string> kFirmwareExtensions;

// The completion script for shell ("bash", "zsh" or "fish"); empty for any
// other shell. global: the options before a command (--help, --version).
std::string CompletionScript(const std::string& shell,
                             const std::vector<CompletionCommand>& commands,
                             const std::vector<CompletionOption>& global);

}  // namespace zentrel::cli
