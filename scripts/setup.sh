#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Lantaro need, and only
# those that are missing, so it is cheap to run again. Works without a terminal.
set -euo pipefail

PACKAGES=(
  build-essential cmake
  qt6-base-dev qt6-svg-dev libqt6svg6 libgl-dev qt6-translations-l10n
  libxlsxwriter-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk xdg-utils
  ripgrep xvfb xauth python3
  clang libclang-rt-14-dev clang-tidy clang-format cppcheck
)

missing=()
for package in "${PACKAGES[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ $status == installed ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  echo "setup: all required packages are installed"
  exit 0
fi

as_root=()
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "setup: missing packages: ${missing[*]}" >&2
    echo "setup: run this script as root (or install sudo) to install them" >&2
    exit 1
  fi
fi

echo "setup: installing ${missing[*]}"
apt_options=(-y -o DPkg::Lock::Timeout=300)
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install "${apt_options[@]}" "${missing[@]}"
