#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.  Usage: tools/run-tests.sh [preset]
# (preset "default", "clang" for the same build with Clang, or "asan" for the sanitizer build
# of the whole suite).
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-default}"
tools/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
