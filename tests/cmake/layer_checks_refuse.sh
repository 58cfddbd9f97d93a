#!/usr/bin/env bash
# The layer checks refuse what they guard against: an include that points up
# or into a front end, from a layer's own folder or from a platform's
# subfolder; a platform's header where none may be; a platform target that
# links the whole engine instead of the seam's target. And they pass the
# engine as it is.
#
#   layer_checks_refuse.sh SOURCE_DIR
set -euo pipefail

source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

cp -r "$source_dir"/{protocol,image,hid,sequencer,ui} "$work/"
check_includes() {
  cmake -DSOURCE_DIR="$work" -DSTAMP="$work/stamp" -P "$source_dir/cmake/check_layers.cmake" 2>&1
}
check_includes >/dev/null || fail "the engine as it is fails the include check"

# FILE|LINE: the line planted at the top of the file must be named.
for plant in 'hid/trace/trace_output.h|#include "cli/options.h"' \
             'hid/emulated/bus_lock.h|#include <windows.h>' \
             'hid/hidapi/hidraw_probe.h|#include "sequencer/board_line.h"' \
             'image/posix/output_place_posix.cpp|#include "hid/hid_platform.h"' \
             'sequencer/board_line.h|#include "ui/loader_controller.h"' \
             'ui/qt/main_window.h|#include "cli/options.h"'; do
  file=${plant%%|*} line=${plant#*|}
  cp "$work/$file" "$work/$file.kept"
  { printf '%s\n' "$line"; cat "$work/$file.kept"; } >"$work/$file"
  if out=$(check_includes); then
    fail "the include check passes $file with $line"
  elif ! grep -qF "$file: " <<<"$out"; then
    fail "the include check does not name $file: $out"
  else
    echo "ok: refused $line in $file"
  fi
  mv "$work/$file.kept" "$work/$file"
done

# Stand-ins for the targets, the trace platform linking what LINK names.
mkdir "$work/links"
cat >"$work/links/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(links NONE)
include("$source_dir/cmake/ZentrelLinkCheck.cmake")
foreach(target zentrel_protocol zentrel_hid zentrel_sequencer zentrel_engine zentrel_hid_trace)
  add_library(\${target} INTERFACE)
endforeach()
target_link_libraries(zentrel_hid INTERFACE zentrel_protocol)
target_link_libraries(zentrel_engine INTERFACE zentrel_sequencer)
target_link_libraries(zentrel_hid_trace INTERFACE \${LINK})
CMAKE
check_links() {
  rm -rf "$work/links/build"
  cmake -S "$work/links" -B "$work/links/build" -DLINK="$1" 2>&1
}
check_links zentrel_hid >/dev/null || fail "the link check refuses a platform on the seam's target"
if out=$(check_links zentrel_engine); then
  fail "the link check passes a platform that links zentrel_engine"
elif ! grep -qF "zentrel_hid_trace links zentrel_engine" <<<"$out"; then
  fail "the link check does not name the link: $out"
else
  echo "ok: refused zentrel_hid_trace linking zentrel_engine"
fi

[ "$failures" -eq 0 ]
