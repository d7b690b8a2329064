#!/usr/bin/env bash
# Cross-builds tavolin.exe for 64-bit Windows on Debian, packs it with the README and the licence
# into build/windows/tavolin-<version>-windows-x64.zip and, with --test, runs its tests under
# Wine.  Usage: tools/build-windows.sh [--test]
#
# On a fresh machine it first installs what is missing: mingw-w64 and Wine from Debian, then
# libpng (from Debian's own source package) and GoogleTest (from the googletest package's
# sources) built for mingw into build/windows-deps/prefix.  Each step leaves a stamp, so a second
# run only rebuilds the program.  The result is build/windows/app/tavolin.exe: one statically
# linked file that needs no DLL beside it.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
run_tests=0
for arg in "$@"; do
  case "$arg" in
    --test) run_tests=1 ;;
    *) echo "usage: tools/build-windows.sh [--test]" >&2; exit 2 ;;
  esac
done

triplet=x86_64-w64-mingw32
deps="$root/build/windows-deps"
prefix="$deps/prefix"
toolchain="$root/cmake/mingw-w64.cmake"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

# --- Debian packages -----------------------------------------------------------------------
# The Linux build's own packages (tavolin-sim, the end-to-end tests) come first.
tools/install-deps.sh
packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64-dev wine wine64 fonts-wine googletest dpkg-dev
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends \
    "${missing[@]}"
fi

mkdir -p "$deps/src" "$prefix"

# --- libpng for mingw, from Debian's source package ----------------------------------------
# Debian ships no libpng built for mingw, but its source builds with its own CMake files.  The
# suite is named, since the security archive does not always serve the source files.
if [ ! -f "$deps/libpng.stamp" ]; then
  src_list=/etc/apt/sources.list.d/tavolin-deb-src.sources
  if ! apt-get source --print-uris libpng1.6/bookworm >/dev/null 2>&1; then
    "${sudo_cmd[@]}" tee "$src_list" >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    "${sudo_cmd[@]}" apt-get update
  fi
  rm -rf "$deps/src/libpng" && mkdir -p "$deps/src/libpng"
  (cd "$deps/src/libpng" && apt-get -o APT::Sandbox::User=root source --download-only libpng1.6/bookworm >/dev/null &&
     dpkg-source --no-check -x ./*.dsc tree >/dev/null)
  cmake -S "$deps/src/libpng/tree" -B "$deps/build-libpng" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF \
    -DPNG_EXECUTABLES=OFF -DZLIB_USE_STATIC_LIBS=ON -DSKIP_INSTALL_FILES=ON >/dev/null
  cmake --build "$deps/build-libpng" --target install >/dev/null
  touch "$deps/libpng.stamp"
fi

# --- GoogleTest for mingw, from the googletest package's sources ---------------------------
if [ ! -f "$deps/googletest.stamp" ]; then
  cmake -S /usr/src/googletest -B "$deps/build-googletest" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON \
    -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/build-googletest" --target install >/dev/null
  touch "$deps/googletest.stamp"
fi

# --- the program ---------------------------------------------------------------------------
cmake --preset windows >/dev/null
cmake --build --preset windows
echo "built: build/windows/app/tavolin.exe"
# The zip people download (cmake/Install.cmake says what goes in); one of the current version.
rm -f build/windows/tavolin-*-windows-x64.zip
cpack --config build/windows/CPackConfig.cmake -B build/windows >/dev/null
echo "packed: $(ls build/windows/tavolin-*-windows-x64.zip)"

if [ "$run_tests" -eq 1 ]; then
  ctest --preset windows
fi
