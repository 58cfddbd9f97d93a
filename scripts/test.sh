#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite:
# the Linux build (GCC, engine, CLI, Qt GUI headless), zentrel-flash on the
# real Linux USB stack in a virtual machine, the same with clang
# under ASan+UBSan, each fuzz target for a short while, the Windows build
# under Wine, then the plain Release builds a packager makes (GCC and clang)
# and the packages from them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh test
export QT_QPA_PLATFORM=offscreen

step() { printf '\n=== %s ===\n' "$*"; }

step "Linux build and tests (GCC, RelWithDebInfo)"
cmake --preset default >/dev/null
cmake --build --preset default -j2
# The real USB stack has its own stage below.
ctest --preset default -j2 -LE usbvm

step "The real Linux USB stack in a virtual machine (QEMU, dummy_hcd, FunctionFS gadgets)"
ctest --preset default -L usbvm --output-on-failure

step "Tests under AddressSanitizer + UndefinedBehaviorSanitizer (clang, RelWithDebInfo)"
cmake --preset asan >/dev/null
cmake --build --preset asan -j2
# umockdev's preload comes before the ASan runtime in the hidraw tests; it
# interposes no allocation, so the order check can be left out.
ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 ctest --preset asan -j2

step "Fuzz targets"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target fuzz_intel_hex fuzz_memory_image fuzz_srec fuzz_elf \
  fuzz_compatibility fuzz_device_answers
fuzz/run_all.sh "${ZENTREL_FUZZ_SECONDS:-20}" build/fuzz

step "Windows build under Wine"
scripts/test-windows.sh

step "Plain Release builds of the whole tree (GCC, clang)"
# As a packager types it, with only the warnings made errors; the GCC one
# is packed below. Tests and benchmarks are asked for, since a tree that
# scripts/package.sh configured first has them off.
plain() {
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DZENTREL_WERROR=ON \
        -DZENTREL_BUILD_TESTS=ON -DZENTREL_BUILD_BENCH=ON "$@" >/dev/null
  cmake --build "$dir" -j2
}
plain build/release
plain build/release-clang -DCMAKE_CXX_COMPILER=clang++

step "Packages: .deb and Windows zip"
# From the trees built above: only the packing is left.
scripts/package.sh build/release build/mingw
scripts/check-packages.sh
