#include "cli/completion.h"

#include <sstream>

namespace zentrel::cli {

const std::vector<std::string> kFirmwareExtensions = {
    "hex", "mvx", "elf", "axf", "out", "srec", "s19", "s28", "s37", "mot", "bin"};

namespace {

std::string Joined(const std::vector<std::string>& words, const char* between) {
  std::string out;
  for (const std::string& w : words) out += (out.empty() ? "" : between) + w;
  return out;
}

// The firmware extensions as one alternation: "hex|mvx|...".
std::string ExtensionAlternation() { return Joined(kFirmwareExtensions, "|"); }

std::vector<std::string> AllNames(const std::vector<CompletionOption>& options) {
  std::vector<std::string> names;
  for (const CompletionOption& o : options) {
    for (const std::string& n : o.Names) names.push_back(n);
  }
  return names;
}

// The port or serial numbers of the boards `list` finds with the IDs, read
// from its JSON records; the device options typed so far (--emulate, the
// IDs, --emulate-devices) go along, so that the offer fits the command.
// Nothing when no device is there or the program fails.
constexpr const char* kListQuery =
    " list --json \"${args[@]}\" 2>/dev/null | grep '\"configured\":true' |\n"
    "    grep -o \"\\\"$1\\\":\\\"[^\\\"]*\\\"\" | cut -d'\"' -f4";

// ---- bash: one function, compgen over the words of the command line.

std::string BashValueCase(const CompletionCommand& c) {
  std::ostringstream out;
  for (const CompletionOption& o : c.Options) {
    if (o.Value == CompletionValue::None) continue;
    out << "        " << Joined(o.Names, "|") << ") ";
    switch (o.Value) {
      case CompletionValue::Choice:
        out << "COMPREPLY=($(compgen -W \"" << Joined(o.Choices, " ") << "\" -- \"$cur\"));;";
        break;
      case CompletionValue::File: out << "_zentrel_flash_files;;"; break;
      case CompletionValue::Firmware: out << "_zentrel_flash_firmware;;"; break;
      case CompletionValue::Port: out << "_zentrel_flash_devices port;;"; break;
      case CompletionValue::Serial: out << "_zentrel_flash_devices serial;;"; break;
      default: out << ";;"; break;  // a value to type: nothing to offer
    }
    out << "\n";
  }
  return out.str();
}

std::string BashOperand(const CompletionCommand& c) {
  switch (c.Operand) {
    case CompletionValue::Firmware: return "_zentrel_flash_firmware";
    case CompletionValue::Choice:
      return "COMPREPLY=($(compgen -W \"" + Joined(c.OperandChoices, " ") + "\" -- \"$cur\"))";
    default: return ":";
  }
}

std::string Bash(const std::vector<CompletionCommand>& commands,
                 const std::vector<CompletionOption>& global) {
  std::vector<std::string> names;
  for (const CompletionCommand& c : commands) names.push_back(c.Name);
  std::ostringstream out;
  out << "# bash completion for zentrel-flash (zentrel-flash completion bash)\n"
         "_zentrel_flash_files() {\n"
         "  local IFS=$'\\n'\n"
         "  compopt -o filenames 2>/dev/null\n"
         "  COMPREPLY=($(compgen -f -- \"$cur\"))\n"
         "}\n"
         "_zentrel_flash_firmware() {\n"
         "  local IFS=$'\\n' f\n"
         "  compopt -o filenames 2>/dev/null\n"
         "  COMPREPLY=($(compgen -d -- \"$cur\"))\n"
         "  for f in $(compgen -f -- \"$cur\"); do\n"
         "    [[ -f $f && ${f,,} =~ \\.("
      << ExtensionAlternation()
      << ")$ ]] && COMPREPLY+=(\"$f\")\n"
         "  done\n"
         "}\n"
         "_zentrel_flash_devices() {\n"
         "  local IFS=$'\\n' args=() i\n"
         "  for ((i = 2; i < COMP_CWORD; i++)); do\n"
         "    case ${COMP_WORDS[i]} in\n"
         "      --emulate) args+=(--emulate) ;;\n"
         "      --vid|--pid|--emulate-devices) args+=(\"${COMP_WORDS[i]}\" \"${COMP_WORDS[i+1]}\") ;;\n"
         "    esac\n"
         "  done\n"
         "  COMPREPLY=($(compgen -W \"$(\"${COMP_WORDS[0]}\""
      << kListQuery
      << ")\" -- \"$cur\"))\n"
         "}\n"
         "_zentrel_flash() {\n"
         "  local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
         "  COMPREPLY=()\n"
         "  if ((COMP_CWORD == 1)); then\n"
         "    COMPREPLY=($(compgen -W \""
      << Joined(names, " ") << " " << Joined(AllNames(global), " ")
      << "\" -- \"$cur\"))\n"
         "    return\n"
         "  fi\n"
         "  case ${COMP_WORDS[1]} in\n";
  for (const CompletionCommand& c : commands) {
    out << "    " << c.Name << ")\n"
        << "      case $prev in\n"
        << BashValueCase(c) << "        *)\n"
        << "          if [[ $cur == -* ]]; then\n"
        << "            COMPREPLY=($(compgen -W \"" << Joined(AllNames(c.Options), " ")
        << "\" -- \"$cur\"))\n"
        << "          else\n"
        << "            " << BashOperand(c) << "\n"
        << "          fi ;;\n"
        << "      esac ;;\n";
  }
  out << "  esac\n"
         "}\n"
         "complete -F _zentrel_flash zentrel-flash zentrel-flash.exe\n";
  return out.str();
}

// ---- zsh: _arguments per command.

// Text inside a zsh _arguments description: no brackets, colons or quotes.
std::string ZshText(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '[' || ch == ']') {
      out += ch == '[' ? '(' : ')';
    } else if (ch == ':' || ch == '\\') {
      out += ' ';
    } else if (ch == '\'') {
      out += "'\\''";
    } else {
      out += ch;
    }
  }
  return out;
}

std::string ZshAction(CompletionValue value, const std::vector<std::string>& choices) {
  switch (value) {
    case CompletionValue::Choice: return "(" + Joined(choices, " ") + ")";
    case CompletionValue::File: return "_files";
    case CompletionValue::Firmware:
      return "_files -g \"*.(#i)(" + ExtensionAlternation() + ")(-.)\"";
    case CompletionValue::Port: return "_zentrel_flash_devices port";
    case CompletionValue::Serial: return "_zentrel_flash_devices serial";
    default: return " ";
  }
}

std::string ZshSpecs(const std::vector<CompletionOption>& options) {
  std::ostringstream out;
  for (const CompletionOption& o : options) {
    const std::string exclusive =
        o.Names.size() > 1 ? "(" + Joined(o.Names, " ") + ")" : std::string();
    for (const std::string& name : o.Names) {
      out << " \\\n    '" << (o.Repeatable ? "*" : exclusive) << name;
      if (o.JoinedFile) {
        out << "=-[" << ZshText(o.Help) << "]::file:_files'";  // only joined: --trace=FILE
        continue;
      }
      out << "[" << ZshText(o.Help) << "]";
      if (o.Value != CompletionValue::None) {
        out << ":value:" << ZshAction(o.Value, o.Choices);
      }
      out << "'";
    }
  }
  return out.str();
}

std::string Zsh(const std::vector<CompletionCommand>& commands,
                const std::vector<CompletionOption>& global) {
  std::ostringstream out;
  out << "#compdef zentrel-flash zentrel-flash.exe\n"
         "# zsh completion for zentrel-flash (zentrel-flash completion zsh)\n"
         "_zentrel_flash_devices() {\n"
         "  local -a args values\n"
         "  local i\n"
         "  for ((i = 2; i < CURRENT; i++)); do\n"
         "    case ${words[i]} in\n"
         "      --emulate) args+=(--emulate) ;;\n"
         "      --vid|--pid|--emulate-devices) args+=(\"${words[i]}\" \"${words[i+1]}\") ;;\n"
         "    esac\n"
         "  done\n"
         "  values=(${(f)\"$(\"$zentrel_program\""
      << kListQuery
      << ")\"})\n"
         "  compadd -a values\n"
         "}\n"
         "_zentrel_flash() {\n"
         "  local -a commands\n"
         "  commands=(\n";
  for (const CompletionCommand& c : commands) {
    out << "    '" << c.Name << ":" << ZshText(c.Help) << "'\n";
  }
  out << "  )\n"
         "  if ((CURRENT == 2)); then\n"
         "    _describe -t commands 'zentrel-flash command' commands\n"
         "    _arguments"
      << ZshSpecs(global)
      << "\n"
         "    return\n"
         "  fi\n"
         "  # The command's own words from here on, as _arguments reads them; the\n"
         "  # program stays at hand for the list of devices.\n"
         "  local zentrel_program=${words[1]} command=${words[2]}\n"
         "  shift words\n"
         "  ((CURRENT--))\n"
         "  case $command in\n";
  for (const CompletionCommand& c : commands) {
    out << "    " << c.Name << ")\n      _arguments -s" << ZshSpecs(c.Options);
    if (c.Operand != CompletionValue::None) {
      out << " \\\n    '1:operand:" << ZshAction(c.Operand, c.OperandChoices) << "'";
    }
    out << " ;;\n";
  }
  out << "  esac\n"
         "}\n"
         "_zentrel_flash \"$@\"\n";
  return out.str();
}

// ---- fish: one `complete` line per option and command.

std::string FishText(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\'' || ch == '\\') out += '\\';
    out += ch;
  }
  return "'" + out + "'";
}

std::string FishValue(CompletionValue value, const std::vector<std::string>& choices) {
  switch (value) {
    case CompletionValue::None: return "";
    case CompletionValue::Choice: return " -x -a " + FishText(Joined(choices, " "));
    case CompletionValue::File: return " -r -F";
    case CompletionValue::Firmware: return " -x -a '(__zentrel_flash_firmware)'";
    case CompletionValue::Port: return " -x -a '(__zentrel_flash_devices port)'";
    case CompletionValue::Serial: return " -x -a '(__zentrel_flash_devices serial)'";
    case CompletionValue::Typed: return " -x";
  }
  return "";
}

std::string FishOption(const std::string& condition, const CompletionOption& o) {
  std::string line = "complete -c zentrel-flash -n " + condition;
  for (const std::string& name : o.Names) {
    line += (name.rfind("--", 0) == 0 ? " -l " + name.substr(2) : " -s " + name.substr(1));
  }
  return line + FishValue(o.Value, o.Choices) + " -d " + FishText(o.Help) + "\n";
}

std::string Fish(const std::vector<CompletionCommand>& commands,
                 const std::vector<CompletionOption>& global) {
  std::ostringstream out;
  out << "# fish completion for zentrel-flash (zentrel-flash completion fish)\n"
         "function __zentrel_flash_firmware\n"
         "    set -l token (commandline -ct)\n"
         "    for f in $token*\n"
         "        if test -d $f\n"
         "            echo $f/\n"
         "        else if string match -qri '\\.("
      << ExtensionAlternation()
      << ")$' -- $f\n"
         "            echo $f\n"
         "        end\n"
         "    end\n"
         "end\n"
         "function __zentrel_flash_devices\n"
         "    set -l words (commandline -opc)\n"
         "    set -l args\n"
         "    for i in (seq 2 (count $words))\n"
         "        switch $words[$i]\n"
         "            case --emulate\n"
         "                set -a args --emulate\n"
         "            case --vid --pid --emulate-devices\n"
         "                set -a args $words[$i] $words[(math $i + 1)]\n"
         "        end\n"
         "    end\n"
         "    $words[1] list --json $args 2>/dev/null | string match -e '\"configured\":true' |\n"
         "        string match -r -g \"\\\"$argv[1]\\\":\\\"([^\\\"]*)\\\"\"\n"
         "end\n"
         "complete -c zentrel-flash -f\n";
  for (const CompletionOption& o : global) out << FishOption("__fish_use_subcommand", o);
  for (const CompletionCommand& c : commands) {
    out << "complete -c zentrel-flash -n __fish_use_subcommand -a " << c.Name << " -d "
        << FishText(c.Help) << "\n";
    const std::string condition = FishText("__fish_seen_subcommand_from " + c.Name);
    for (const CompletionOption& o : c.Options) out << FishOption(condition, o);
    if (c.Operand != CompletionValue::None) {
      out << "complete -c zentrel-flash -n " << condition << " -k"
          << FishValue(c.Operand, c.OperandChoices) << "\n";
    }
  }
  return out.str();
}

}  // namespace

std::string CompletionScript(const std::string& shell,
                             const std::vector<CompletionCommand>& commands,
                             const std::vector<CompletionOption>& global) {
  if (shell == "bash") return Bash(commands, global);
  if (shell == "zsh") return Zsh(commands, global);
  if (shell == "fish") return Fish(commands, global);
  return "";
}

}  // namespace zentrel::cli
