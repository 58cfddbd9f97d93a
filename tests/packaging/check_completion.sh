#!/usr/bin/env bash
# Drives the shell completion that `zentrel-flash completion SHELL` writes, as
# a shell does at a <Tab>: bash through its completion function (COMP_WORDS,
# COMPREPLY), fish through `complete -C`; zsh's script must parse.
#   check_completion.sh ZENTREL_FLASH
set -euo pipefail

program=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/zentrel-completion.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
fail() { echo "check_completion: $*" >&2; failures=$((failures + 1)); }

"$program" completion bash > zentrel-flash.bash
# What bash offers for the last of the words, one a line, sorted.
bash_offers() {
  timeout 60 bash --norc -c 'source ./zentrel-flash.bash
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _zentrel_flash
    printf "%s\n" "${COMPREPLY[@]}"' _ "$program" "$@" | sort | paste -sd' '
}

# Firmware files by extension, in any case; folders to go into.
touch fw.hex FW.S19 app.elf img.bin demo.mvx notes.txt
mkdir builds

while IFS='|' read -r words expected; do
  # shellcheck disable=SC2086
  got=$(bash_offers $words "")
  [ "$got" = "$expected" ] || fail "bash: zentrel-flash $words <Tab>: got '$got', expected '$expected'"
done <<'ROWS'
|--help --version -V -h app-info completion flash image info list
flash --pace|fast window
image --format|bin elf hex mvx srec
flash --emulate-latency|full-speed instant
completion|bash fish zsh
flash|FW.S19 app.elf builds demo.mvx fw.hex img.bin
image|FW.S19 app.elf builds demo.mvx fw.hex img.bin
flash --emulate --emulate-devices 3 --port|emu-1 emu-2 emu-3
info --emulate --emulate-devices 2 --serial|ZB-000001 ZB-000002
info --serial|
info --vid|
ROWS

while IFS='|' read -r words expected; do
  # shellcheck disable=SC2086
  got=$(bash_offers $words)
  [ "$got" = "$expected" ] || fail "bash: zentrel-flash $words<Tab>: got '$got', expected '$expected'"
done <<'ROWS'
fl|flash
flash --pa|--pace
list --em|--emulate --emulate-devices --emulate-fault --emulate-flash-kib --emulate-hw-version --emulate-latency --emulate-platform
image --o|--output
ROWS

if command -v fish >/dev/null; then
  "$program" completion fish > zentrel-flash.fish
  fish_offers() {
    timeout 60 fish --no-config -c "source zentrel-flash.fish; complete -C '$1'" | cut -f1 |
      sort | paste -sd' '
  }
  [ "$(fish_offers "zentrel-flash fl")" = flash ] || fail "fish: fl<Tab> does not offer flash"
  [ "$(fish_offers "zentrel-flash flash --pace ")" = "fast window" ] ||
    fail "fish: --pace <Tab> offers '$(fish_offers "zentrel-flash flash --pace ")'"
  got=$(fish_offers "$program info --emulate --emulate-devices 2 --port ")
  [ "$got" = "emu-1 emu-2" ] || fail "fish: --port <Tab> offers '$got'"
else
  fail "fish not found (Debian: fish; scripts/install-deps.sh test installs it)"
fi
if command -v zsh >/dev/null; then
  "$program" completion zsh > _zentrel-flash
  zsh -n _zentrel-flash || fail "zsh: the script does not parse"
else
  fail "zsh not found (Debian: zsh; scripts/install-deps.sh test installs it)"
fi

if [ "$failures" -gt 0 ]; then
  echo "check_completion: $failures problems" >&2
  exit 1
fi
echo "check_completion: bash, fish and zsh complete as expected"
