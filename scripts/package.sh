#!/usr/bin/env bash
# Builds both packages into build/packages/: the Debian package from the
# Linux build (cpack -G DEB, then lintian, which must report no error) and
# the Windows zip from the MinGW build (cpack -G ZIP).
#   scripts/package.sh [LINUX_BUILD_DIR [WINDOWS_BUILD_DIR]]
# The build directories default to those of scripts/test.sh (build/release
# and build/mingw), so after the tests only the packing is left; a missing
# one is configured as a plain Release build of what the packages hold (no
# tests, no benchmarks), which needs only the package profile's packages.
# ZENTREL_PACKAGE_DIR moves the output.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh package

linux=${1:-build/release}
windows=${2:-build/mingw}
out=$(mkdir -p "${ZENTREL_PACKAGE_DIR:-build/packages}" && cd "${ZENTREL_PACKAGE_DIR:-build/packages}" && pwd)

# Configures a build directory, keeping the settings it has; a new one as a
# plain Release build. Run again even when configured, so that it finds
# tools installed since.
configure() {
  local dir=$1; shift
  if [ "$dir" = build/default ]; then
    cmake --preset default >/dev/null
  elif [ -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" >/dev/null
  else
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
          -DZENTREL_BUILD_TESTS=OFF -DZENTREL_BUILD_BENCH=OFF "$@" >/dev/null
  fi
}

# Only what the packages hold: the programs, and on Linux the completion
# scripts that zentrel-flash writes.
configure "$linux"
cmake --build "$linux" -j2 --target zentrel-flash zentrel-loader zentrel-loader-demo zentrel_completions
configure "$windows" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake
cmake --build "$windows" -j2 --target zentrel-flash zentrel-loader zentrel-loader-demo

rm -rf "$out/_CPack_Packages" "$out"/zentrel-loader_*.deb "$out"/zentrel-loader-*.zip
cpack -G DEB --config "$linux/CPackConfig.cmake" -B "$out"
cpack -G ZIP --config "$windows/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"

deb=$(ls "$out"/zentrel-loader_*.deb)
lintian --fail-on error "$deb"
echo "Packages in $out:"
ls -l "$deb" "$out"/zentrel-loader-*.zip
