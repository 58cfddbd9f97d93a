#!/usr/bin/env bash
# ThreadSanitizer over the command line's threads: builds zentrel-flash and
# its tests with clang and -fsanitize=thread (no GUI, no benchmarks) and runs
# the tests where roads run side by side or a signal meets them: flash --all
# (boards side by side, one failing, JSON, the live table, Ctrl-C during the
# download), the interrupted single download, the many-board suite on one
# emulated bus, and flash --all through hidapi against three mocked hidraw
# devices. Any report fails the run.
#
# The mocked devices come from the default build: their umockdev testbed
# runs on glib, whose locks ThreadSanitizer cannot see.
#
# Usage: scripts/tsan.sh [BUILD_DIR]    (default build/tsan)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/tsan}
case $build in /*) ;; *) build=$PWD/$build ;; esac

cmake --preset default >/dev/null
cmake --build --preset default -j2 --target zentrel-hidraw-device

flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DZENTREL_WERROR=ON \
  -DZENTREL_BUILD_QT=OFF -DZENTREL_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build "$build" -j2 --target zentrel-flash zentrel_flash_process_tests hid_tests

# A report ends the program with 66: the process tests and the hidraw script
# see a wrong exit code, the in-process tests a failed test binary.
export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1"
ctest --test-dir "$build" --output-on-failure \
  -R 'ManyBoards|ZentrelFlashProcess\.(ResultLines|InterruptedAll|AllOn|AllWith)|Interrupted\.|SeveralBoards\.'
tests/hidraw/several_on_hidraw.sh "$PWD/build/default/tests/hidraw/zentrel-hidraw-device" \
  "$build/cli/zentrel-flash"
