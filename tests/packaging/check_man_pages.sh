#!/usr/bin/env bash
# Keeps the hand-written man pages true to the program and readable:
#   - every command that `zentrel-flash --help` lists, and every option that
#     `zentrel-flash [CMD] --help` prints, has an entry in zentrel-flash.1: a
#     .TP whose tag reads as --help writes it, value name included (`--vid
#     HEX` is tagged `\fB\-\-vid\fR \fIHEX\fR`);
#   - every option entry in zentrel-flash.1 is one that --help prints, so a
#     removed or renamed option does not linger in the page;
#   - every fault that --help lists for --emulate-fault has an entry;
#   - bash completion offers every option that --help prints;
#   - each usage line names the program, not the path it was started by;
#   - groff renders each page without a warning, in lines of at most 80
#     columns, as man shows it on an 80-column terminal.
#   check_man_pages.sh ZENTREL_FLASH MAN_DIR   (pages as NAME.1 or NAME.1.gz)
set -euo pipefail

program=$1
dir=$2
export LC_ALL=C.UTF-8
failures=0
fail() { echo "check_man_pages: $*" >&2; failures=$((failures + 1)); }

command -v groff >/dev/null ||
  { echo "check_man_pages: groff not found (Debian: groff-base)" >&2; exit 1; }

# A page's source, whether installed gzipped or not.
page_text() {
  if [ -f "$dir/$1.1" ]; then cat "$dir/$1.1"; else gzip -dc "$dir/$1.1.gz"; fi
}

# The options of one command's --help, one a line, as `-q, --quiet` or
# `--vid HEX`: the option column of each line that starts with an option.
# A long option may run into its description after a single blank; the value
# name is then the one word after the names that is not a capitalised word.
help_options() {
  timeout 60 "$program" "$@" --help | awk '
    /^  -/ {
      names = ""; value = ""
      n = split($0, word, " ")
      for (i = 1; i <= n; i++) {
        if (word[i] ~ /^-/) {
          gsub(/,/, ", ", word[i]); names = names (names == "" ? "" : " ") word[i]
        } else {
          if (word[i] !~ /[a-z][a-z]/ || word[i] ~ /\|/) value = " " word[i]
          break
        }
      }
      print names value
    }'
}

# The tags of the page's .TP entries as they read: fonts, escaped dashes and
# the other escapes taken out.
page_tags() {
  page_text zentrel-flash | awk 'after_tp { print; after_tp = 0 } /^\.TP/ { after_tp = 1 }' |
    sed -e 's/^\.[BI][RI]* //' -e 's/\\f[BIRP]//g' -e 's/\\f(..//g' -e 's/\\-/-/g' \
        -e 's/\\[&%]//g' -e 's/\\[~ ]/ /g' -e 's/"//g' -e 's/  */ /g' -e 's/ $//'
}

tags=$(page_tags)
declare -A is_tag=() in_help=()
while IFS= read -r tag; do is_tag[$tag]=1; done <<<"$tags"
commands=$(timeout 60 "$program" --help |
  awk '/^Subcommands:/ { on = 1; next } on && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || fail "zentrel-flash --help lists no commands"
while IFS= read -r cmd; do
  grep -qE -- "^$cmd( |\$)" <<<"$tags" || fail "zentrel-flash.1 has no entry for the command $cmd"
done <<<"$commands"
for cmd in "" $commands; do
  # Started by its full path, the program still names itself in the usage.
  usage=$("$program" $cmd --help | grep -m1 '^Usage:' || true)
  [[ $usage == "Usage: zentrel-flash${cmd:+ $cmd} "* ]] ||
    fail "zentrel-flash $cmd --help: the usage does not begin with the program's name: $usage"
  options=$(help_options $cmd)
  [ -n "$options" ] || fail "zentrel-flash $cmd --help lists no options"
  while IFS= read -r option; do
    in_help[$option]=1
    [ -n "${is_tag[$option]:-}" ] ||
      fail "zentrel-flash.1 has no entry for \`zentrel-flash $cmd $option\`:" \
           "add a .TP whose tag reads \"$option\", such as \\fB\\-\\-name\\fR \\fIVALUE\\fR"
  done <<<"$options"
done

# The same rule for the shell completion: bash offers every option of each
# command when its name is typed whole (the bash script is the one the
# package installs; zsh's and fish's come from the same table).
completion=$("$program" completion bash)
bash_offers() {
  timeout 60 bash --norc -c 'source /dev/stdin; COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _zentrel_flash; printf "%s\n" "${COMPREPLY[@]}"' \
    _ zentrel-flash "$@" <<<"$completion"
}
for cmd in "" $commands; do
  while IFS= read -r option; do
    for name in ${option//,/}; do
      [[ $name == -* ]] || continue
      name=${name%%[[=]*}  # --trace[=FILE]
      # A here-string, not a pipe: grep -q's early exit would fail the writer.
      grep -qxF -- "$name" <<<"$(bash_offers $cmd "$name")" ||
        fail "bash completion does not offer \`zentrel-flash $cmd $name\`"
    done
  done < <(help_options $cmd)
done

while IFS= read -r tag; do
  [ -n "${in_help[$tag]:-}" ] ||
    fail "zentrel-flash.1 has an entry for \`$tag\`, which no command's --help prints"
done < <(grep -- '^-' <<<"$tags")

faults=$(timeout 60 "$program" flash --help | sed -n 's/^  \([a-z][a-z-]*\): .*/\1/p')
[ -n "$faults" ] || fail "zentrel-flash flash --help lists no faults"
while IFS= read -r fault; do
  [ -n "${is_tag[$fault]:-}" ] || fail "zentrel-flash.1 has no entry for the fault $fault"
done <<<"$faults"

for name in zentrel-flash zentrel-loader zentrel-loader-demo; do
  if [ ! -f "$dir/$name.1" ] && [ ! -f "$dir/$name.1.gz" ]; then
    fail "no $name.1 in $dir"
    continue
  fi
  # -ww: every warning; -z: no output, only the warnings. Then the page as
  # man shows it at 80 columns, without bold and underline.
  warnings=$(page_text $name | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$name.1: groff warns: $warnings"
  number=0
  while IFS= read -r line; do
    number=$((number + 1))
    [ ${#line} -le 80 ] || fail "$name.1 shows line $number wider than 80 columns: $line"
  done < <(page_text $name | groff -man -Tutf8 -rLL=78n -P-cbou 2>/dev/null)
done

if [ "$failures" -gt 0 ]; then
  echo "check_man_pages: $failures problems" >&2
  exit 1
fi
echo "check_man_pages: the pages in $dir cover every option and render cleanly"
