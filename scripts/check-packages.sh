#!/usr/bin/env bash
# Checks the packages that scripts/package.sh made: unpacks the .deb into a
# scratch root (dpkg -x, no installing) and runs zentrel-flash from there,
# checks that the .deb and the zip hold what users are told they hold, and
# lists the zip.
#   scripts/check-packages.sh [PACKAGE_DIR]   (default build/packages)
set -euo pipefail
cd "$(dirname "$0")/.."

out=${1:-build/packages}
version=$(sed -n 's/^project(zentrel_loader VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$out/zentrel-loader_${version}_amd64.deb
zip=$out/zentrel-loader-${version}-win64.zip
fail() { echo "check-packages: $*" >&2; exit 1; }
[ -f "$deb" ] || fail "no $deb"
[ -f "$zip" ] || fail "no $zip"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
for f in usr/bin/zentrel-flash usr/bin/zentrel-loader usr/bin/zentrel-loader-demo \
         usr/share/applications/zentrel-loader.desktop \
         usr/share/icons/hicolor/scalable/apps/zentrel-loader.svg \
         usr/lib/udev/rules.d/70-zentrel-loader.rules \
         usr/share/man/man1/zentrel-flash.1.gz usr/share/man/man1/zentrel-loader.1.gz \
         usr/share/man/man1/zentrel-loader-demo.1.gz \
         usr/share/doc/zentrel-loader/README.md usr/share/doc/zentrel-loader/copyright \
         usr/share/doc/zentrel-loader/examples/demo.mvx usr/share/doc/zentrel-loader/examples/demo.hex \
         usr/share/doc/zentrel-loader/examples/demo.elf usr/share/doc/zentrel-loader/examples/demo.s19 \
         usr/share/zentrel-loader/zentrel-flash-records.schema.json \
         usr/share/bash-completion/completions/zentrel-flash \
         usr/share/zsh/vendor-completions/_zentrel-flash \
         usr/share/fish/vendor_completions.d/zentrel-flash.fish; do
  [ -f "$root/$f" ] || fail "$deb lacks /$f"
done
# The packaged completion is the one the program writes, which the tests
# drive at a <Tab>.
for shell_file in bash:bash-completion/completions/zentrel-flash \
                  zsh:zsh/vendor-completions/_zentrel-flash \
                  fish:fish/vendor_completions.d/zentrel-flash.fish; do
  cmp -s "$root/usr/share/${shell_file#*:}" <("$root/usr/bin/zentrel-flash" completion "${shell_file%%:*}") ||
    fail "$deb: /usr/share/${shell_file#*:} is not what zentrel-flash completion ${shell_file%%:*} writes"
done
grep -qx 'License: Expat' "$root/usr/share/doc/zentrel-loader/copyright" ||
  fail "$deb: the copyright file does not give the MIT (Expat) licence"
# The packaged pages: every option of the packaged program, rendered cleanly.
tests/packaging/check_man_pages.sh "$root/usr/bin/zentrel-flash" "$root/usr/share/man/man1"
grep -q libhidapi-hidraw0 <<<"$(dpkg-deb -f "$deb" Depends)" || fail "$deb does not depend on libhidapi-hidraw0"
# Hardened as Debian's own programs are: bound at start (BIND_NOW), with a
# stack protector, and with the checked buffer functions of _FORTIFY_SOURCE
# (a program calls them only where the compiler knows a buffer's size, so
# the package as a whole must use one). No pipe into grep -q here: under
# pipefail its early exit can kill the writer and turn a match into a fail.
fortified=0
for f in usr/bin/zentrel-flash usr/bin/zentrel-loader usr/bin/zentrel-loader-demo; do
  grep -Eq 'BIND_NOW|FLAGS_1.* NOW' <<<"$(readelf -d "$root/$f")" || fail "$deb: /$f is not linked with -z now"
  symbols=$(readelf --dyn-syms -W "$root/$f")
  grep -q ' __stack_chk_fail@' <<<"$symbols" || fail "$deb: /$f has no stack protector"
  if grep -q ' __[a-z]*_chk@' <<<"${symbols//__stack_chk_fail/}"; then fortified=1; fi
done
[ "$fortified" = 1 ] || fail "$deb: no program uses a fortified function (built without _FORTIFY_SOURCE)"

# The README's pictures beside it, where its links look for them.
images=$(grep -o '](docs/images/[^)]*)' README.md | sed 's/^](//; s/)$//')
[ -n "$images" ] || fail "README.md shows no picture from docs/images"
for image in $images; do
  [ -f "$root/usr/share/doc/zentrel-loader/$image" ] || fail "$deb lacks the README's $image"
done

"$root/usr/bin/zentrel-flash" --version | tee "$root/version.txt"
[ "$(head -n 1 "$root/version.txt")" = "zentrel-flash $version" ] ||
  fail "zentrel-flash --version does not say $version"
"$root/usr/bin/zentrel-flash" info --emulate

echo "$zip:"
entries=$(cmake -E tar tf "$zip")
echo "$entries"
for f in bin/zentrel-flash.exe bin/zentrel-loader.exe bin/zentrel-loader-demo.exe README.txt \
         LICENSE.txt examples/demo.mvx examples/demo.hex examples/demo.elf examples/demo.s19 \
         docs/zentrel-flash-records.schema.json; do
  grep -qx "zentrel-loader-$version-win64/$f" <<<"$entries" || fail "$zip lacks $f"
done
for image in $images; do
  grep -qx "zentrel-loader-$version-win64/$image" <<<"$entries" || fail "$zip lacks the README's $image"
done
# README.txt as Windows' editors read it: UTF-8 with its byte order mark,
# CR LF line ends.
zip_path=$(realpath "$zip")
(cd "$root" && cmake -E tar xf "$zip_path" "zentrel-loader-$version-win64/README.txt")
readme=$root/zentrel-loader-$version-win64/README.txt
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
  fail "$zip: README.txt does not begin with a UTF-8 byte order mark"
[ "$(grep -c $'\r$' "$readme")" = "$(wc -l <"$readme")" ] ||
  fail "$zip: README.txt has a line without CR LF"
echo "packages checked: $deb, $zip"
