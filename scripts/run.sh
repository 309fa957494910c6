#!/usr/bin/env bash
# Installs what is missing, builds, and starts lantaro on the bundled example library
# (<build>/run/corpus). Arguments are passed to lantaro.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"
TARGETS="lantaro lantaro-cli lantaro_run_directory" BUILD_DIR="$build_dir" \
  bash "$root/scripts/build.sh"

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} && ${QT_QPA_PLATFORM:-} != offscreen ]]; then
  cat >&2 <<MESSAGE
run: lantaro is a desktop program and needs a graphical display, but none is set
     (neither DISPLAY nor WAYLAND_DISPLAY). The build is ready in $build_dir/run.
     Start it from a desktop session, or on a machine without a screen use a virtual display:
         xvfb-run -a bash scripts/run.sh
     lantaro 需要图形显示环境；没有显示器时请用 xvfb-run -a bash scripts/run.sh 运行。
MESSAGE
  exit 1
fi

cd "$build_dir/run"
exec ./lantaro "$@"
