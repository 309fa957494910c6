#!/usr/bin/env bash
# Compiles the portable engine for Windows with the MinGW-w64 cross compiler, so that the Windows
# side of the platform layer and everything built on it keep compiling although development
# happens on Linux. Warnings count as errors, as in the normal build.
#
#   bash scripts/check_windows_build.sh
#
# Checked: every engine source (no Qt), the Windows platform file instead of the POSIX one, and
# the command-line front end, quickly and without a Windows SDK. Not checked here: the spreadsheet
# writer and the Qt layer, whose libraries Debian has no Windows build of (scripts/windows.sh
# builds them from source and links and runs everything).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
compiler=x86_64-w64-mingw32-g++-posix
package=g++-mingw-w64-x86-64-posix

if ! command -v "$compiler" >/dev/null 2>&1; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "check_windows_build: $package is missing; run as root to install it" >&2
    exit 1
  fi
  echo "check_windows_build: installing $package"
  env DEBIAN_FRONTEND=noninteractive apt-get update >/dev/null
  env DEBIAN_FRONTEND=noninteractive apt-get install -y -o DPkg::Lock::Timeout=300 "$package" \
    >/dev/null
fi

# Every engine and command-line source, the Windows side of the platform layer and the CLI's main.
mapfile -t sources < <(find "$root/src/engine" "$root/src/cli" -name '*.cpp' | sort |
  grep -v '/xlsx_spreadsheet\.cpp$')
sources+=("$root/src/platform/platform_windows.cpp" "$root/src/app/cli_main.cpp")

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# The code-page tables are generated on the build machine, as the real build does.
g++ -std=c++20 -O1 "$root/tools/gb18030_tables.cpp" -o "$out/gb18030_tables"
"$out/gb18030_tables" "$out/gb18030_tables.inc"
failed=0
for file in "${sources[@]}"; do
  if ! "$compiler" -std=c++20 -Wall -Wextra -Wpedantic -Werror -O1 -I"$root/src" -I"$out" \
      -c "$file" -o "$out/$(basename "$file").o"; then
    echo "check_windows_build: FAILED ${file#"$root"/}" >&2
    failed=$((failed + 1))
  fi
done
echo "check_windows_build: ${#sources[@]} files compiled for Windows, $failed failed"
((failed == 0))
