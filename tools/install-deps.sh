#!/usr/bin/env bash
# Installs every Debian package that building, testing, packaging and running Tavolin need.
# Idempotent: packages already present are left alone; apt-get update runs once, only when
# something is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev
  qt6-base-dev libgl-dev libxcb1-dev
  xvfb xauth xdotool x11-apps xclip
  clang libclang-rt-14-dev
  dpkg-dev lintian appstream desktop-file-utils
)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
