#!/usr/bin/env bash
# A build of the command line alone (no Qt) installs the udev rule with the
# built IDs: zentrel-flash needs it as much as the window does.
#   check_udev_rule_without_qt.sh SOURCE_DIR SCRATCH_DIR GENERATOR
set -euo pipefail
trap 'echo "a build without Qt installs no udev rule for IDs 1d50:61a7" >&2' ERR
rm -rf "$2/cli-alone"
cmake -S "$1" -B "$2/cli-alone" -G "$3" -DZENTREL_BUILD_QT=OFF -DZENTREL_BUILD_TESTS=OFF >/dev/null
line=$(grep -rh --include=cmake_install.cmake '/lib/udev/rules.d".*70-zentrel-loader.rules' "$2/cli-alone")
rule=${line##*FILES \"}
grep -q 'ATTRS{idVendor}=="1d50", ATTRS{idProduct}=="61a7"' "${rule%%\"*}"
