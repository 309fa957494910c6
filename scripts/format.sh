#!/usr/bin/env bash
# Lays out the C++ sources as .clang-format says; --check only lists the files that differ.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' \
  'fuzz/*.cpp' 'fuzz/*.h' 'tools/*.cpp')
if [[ ${1:-} == --check ]]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
