#!/usr/bin/env bash
# Configures and builds Lantaro into build/ (or $BUILD_DIR) with two jobs (or $JOBS).
#   bash scripts/build.sh [extra cmake configure options...]
#   TARGETS="lantaro lantaro-cli" bash scripts/build.sh     builds only those targets
# The run directory is <build>/run: the executables beside corpus/, ini/sys.ini and help.txt.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}
jobs=${JOBS:-2}

# A build folder configured from another checkout (a copied or moved tree) would build the wrong
# sources. Only the cache is dropped: <build>/run may hold the user's own imported documents.
if [[ -f $build_dir/CMakeCache.txt ]]; then
  configured_from=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build_dir/CMakeCache.txt")
  if [[ $configured_from != "$root" ]]; then
    echo "build: $build_dir was configured for $configured_from; configuring it afresh"
    rm -rf "$build_dir/CMakeCache.txt" "$build_dir/CMakeFiles"
  fi
fi

# The project's own builds treat warnings as errors; a packager's plain cmake build does not.
cmake -S "$root" -B "$build_dir" -DLANTARO_WERROR=ON "$@"

target_args=()
if [[ -n ${TARGETS:-} ]]; then
  read -r -a names <<<"$TARGETS"
  target_args=(--target "${names[@]}")
fi
cmake --build "$build_dir" -j "$jobs" "${target_args[@]}"
