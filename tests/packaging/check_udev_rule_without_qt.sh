#!/usr/bin/env bash
# The command line alone (a build without Qt) installs the udev rule too:
# zentrel-flash needs it to open the device as much as the window does.
# Configures such a tree and reads what its install would put where.
#   check_udev_rule_without_qt.sh SOURCE_DIR SCRATCH_DIR GENERATOR
set -euo pipefail
tree=$2/cli-alone
rm -rf "$tree"
cmake -S "$1" -B "$tree" -G "$3" -DZENTREL_BUILD_QT=OFF -DZENTREL_BUILD_TESTS=OFF \
  -DZENTREL_BUILD_BENCH=OFF >/dev/null
line=$(grep -rh --include=cmake_install.cmake '70-zentrel-loader.rules' "$tree" || true)
[[ $line == *'/lib/udev/rules.d"'* ]] ||
  { echo "a build without Qt installs no udev rule into lib/udev/rules.d" >&2; exit 1; }
rule=${line##*FILES \"}
grep -q 'ATTRS{idVendor}=="1d50", ATTRS{idProduct}=="61a7"' "${rule%%\"*}" ||
  { echo "its rule does not match the IDs 1d50:61a7" >&2; exit 1; }
