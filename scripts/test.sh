#!/usr/bin/env bash
# Installs what is missing, builds everything (two jobs) and runs every test through ctest,
# headless. Exits with ctest's exit code. Extra arguments go to the cmake configure step.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
BUILD_DIR="$build_dir" bash "$root/scripts/build.sh" "$@"

cd "$build_dir"
status=0
QT_QPA_PLATFORM=offscreen ctest --output-on-failure || status=$?
exit "$status"
