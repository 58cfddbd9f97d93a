#!/usr/bin/env bash
# Installs what is missing, builds, and runs zentrel-flash against the
# emulated boot loader: the whole tool tried without hardware.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh demo
cmake --preset default >/dev/null
cmake --build --preset default -j2
build/default/cli/zentrel-flash info --emulate
