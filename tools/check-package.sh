#!/usr/bin/env bash
# Makes the Debian package from a built tree and has Debian's own checkers look at it: lintian
# (no error and no warning may remain), appstreamcli on the software-centre entry and
# desktop-file-validate on the desktop entry.  Usage: tools/check-package.sh [BUILD-DIR]
# (default build/default).  Run by ctest as package.deb_passes_lintian (label package).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/default}" && pwd)"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT

# cpack installs into a folder of its own under its output folder, never into the build tree.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log"; exit 1; }
deb=("$out"/tavolin_*.deb)
echo "package: $(basename "${deb[0]}")"
dpkg-deb --contents "${deb[0]}" | awk '{print $1, $6}'

status=0
# Lintian reports what it finds; --fail-on makes warnings count as failures too.
lintian --info --fail-on error,warning "${deb[0]}" || status=1
mkdir "$out/unpacked"
dpkg-deb --extract "${deb[0]}" "$out/unpacked"
appstreamcli validate --no-net --explain "$out"/unpacked/usr/share/metainfo/*.metainfo.xml ||
  status=1
desktop-file-validate "$out"/unpacked/usr/share/applications/*.desktop || status=1
if [ "$status" -eq 0 ]; then echo "package: clean"; fi
exit "$status"
