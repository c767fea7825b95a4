#!/usr/bin/env bash
# Builds the Debian package from a build tree into a scratch folder and checks what it would
# install: the file list, the desktop entry, the software-centre listing, the declared
# dependencies, that apt can resolve them, and that the packaged program runs (--version).
# Installs nothing onto this machine and leaves nothing in the build tree.
# Usage: check-deb.sh <build dir> <project version>
set -euo pipefail

build=$1
version=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-package-XXXXXX")
# cpack's install step writes install_manifest.txt into the build tree; put back what was there.
manifest="$build/install_manifest.txt"
[ -e "$manifest" ] && cp -p "$manifest" "$scratch/install_manifest.txt"
restore() {
  if [ -e "$scratch/install_manifest.txt" ]; then
    cp -p "$scratch/install_manifest.txt" "$manifest"
  else
    rm -f "$manifest"
  fi
  rm -rf "$scratch"
}
trap restore EXIT

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
# with TOOL PACKAGE: false, saying so, when a checking tool is not installed.
with() { command -v "$1" >/dev/null || { echo "SKIPPED: $1 is not installed (package $2)"; false; }; }

# -- build ---------------------------------------------------------------------------------
arch=$(dpkg --print-architecture)
deb="$scratch/out/vantrel_${version}_${arch}.deb"
cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || true
if [ ! -f "$deb" ]; then
  cat "$scratch/cpack.log" >&2
  echo "FAIL: cpack did not build $(basename "$deb"); it wrote: $(ls "$scratch/out")" >&2
  exit 1
fi
pass "built $(basename "$deb")"

# -- contents: the program, its desktop integration and the compositor scripts, owned by root -
expected="./usr/bin/vantrel -rwxr-xr-x root/root
./usr/share/applications/vantrel.desktop -rw-r--r-- root/root
./usr/share/gnome-shell/extensions/vantrel@vantrel.app/extension.js -rw-r--r-- root/root
./usr/share/gnome-shell/extensions/vantrel@vantrel.app/metadata.json -rw-r--r-- root/root
./usr/share/gnome-shell/extensions/vantrel@vantrel.app/service.js -rw-r--r-- root/root
./usr/share/icons/hicolor/scalable/apps/vantrel.svg -rw-r--r-- root/root
./usr/share/icons/hicolor/symbolic/apps/vantrel-symbolic.svg -rw-r--r-- root/root
./usr/share/metainfo/app.vantrel.Vantrel.metainfo.xml -rw-r--r-- root/root
./usr/share/vantrel/kwin/vantrel-kwin.js -rw-r--r-- root/root"
actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6, $1, $2 }' | LC_ALL=C sort)
[ "$actual" = "$expected" ] && pass "installed files" ||
  fail "installed files differ; expected:"$'\n'"$expected"$'\n'"got:"$'\n'"$actual"

# -- dependencies (the other control fields are the CPack settings as written) ---------------
depends=$(dpkg-deb -f "$deb" Depends)
# Package names in Depends, one a line, without version constraints or alternatives.
names=$(echo "$depends" | sed 's/[,|]/\n/g' | sed 's/(.*)//; s/^ *//; s/ *$//' | sort -u)
for needed in libqt6widgets6 libqt6gui6 libqt6core6 libc6; do
  grep -qx "$needed" <<<"$names" || fail "Depends does not name $needed: $depends"
done
grep -q -- '-dev$' <<<"$names" && fail "Depends names a development package: $depends"
pass "Depends: $depends"

# -- extracted files -----------------------------------------------------------------------
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
desktop="$root/usr/share/applications/vantrel.desktop"
metainfo="$root/usr/share/metainfo/app.vantrel.Vantrel.metainfo.xml"
if with desktop-file-validate desktop-file-utils; then
  out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] && pass "desktop entry valid" ||
    fail "desktop-file-validate: $out"
fi
# The launcher must start the installed program and find the installed icon.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$root/usr/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon_name.svg" ] ||
  fail "Icon=$icon_name is not an installed icon"
if with appstreamcli appstream; then
  out=$(appstreamcli validate --no-net "$metainfo" 2>&1) && pass "metainfo valid" ||
    fail "appstreamcli validate: $out"
fi
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$launchable" = vantrel.desktop ] || fail "metainfo launches '$launchable', not vantrel.desktop"
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | sed 's/.*="//; s/"//')
[ "$newest" = "$version" ] || fail "metainfo's newest release is '$newest', not $version"
# A stripped program: no symbol table, no debug sections.
readelf -S "$root/usr/bin/vantrel" | grep -qE '\.symtab|\.debug_' && fail "usr/bin/vantrel is not stripped"
out=$(env -u DISPLAY "$root/usr/bin/vantrel" --version 2>&1) && [ "$out" = "Vantrel $version" ] &&
  pass "usr/bin/vantrel --version: $out" || fail "usr/bin/vantrel --version printed '$out'"

# -- apt resolves the dependencies (a simulation: nothing is installed) ---------------------
if compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
  out=$(apt-get install --simulate --no-install-recommends "$deb" 2>&1) &&
    grep -qE '^Inst vantrel |vantrel is already the newest version' <<<"$out" &&
    pass "apt-get install --simulate resolves" || fail "apt-get install --simulate: $out"
else
  echo "SKIPPED: apt-get install --simulate: no apt package lists here (apt-get update fills them)"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
