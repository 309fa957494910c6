#!/usr/bin/env bash
# The Windows x64 package of lantaro and lantaro-cli, cross-built with MinGW-w64 and checked
# under Wine.
#
#   bash scripts/windows.sh                 # $WINDOWS_BUILD_DIR/Lantaro/ and its zip
#   bash scripts/windows.sh --test          # the same, then every test suite under Wine and the
#                                           # comparison of lantaro-cli.exe with lantaro-cli
#   bash scripts/windows.sh --no-qt --test  # only the engine, lantaro-cli and the engine tests
#                                           # (no Qt, no package; the windows suite of .ci/run)
#
# Installs the Debian packages it needs when they are missing (as root) and builds the Windows
# SDK when it is missing or out of date (scripts/windows_sdk.sh, kept in $WINDOWS_SDK_DIR,
# default ~/.cache/lantaro/windows-sdk). Then, in $WINDOWS_BUILD_DIR (default build-windows/):
#   host/     a native build of the build-time tools and of the Linux lantaro-cli
#   cross/    the same CMake project for Windows (cmake/mingw-w64-x86_64.cmake)
#   Lantaro/  the run directory: the programs, the Qt and MinGW DLLs, platforms/, styles/, Qt's
#             Chinese translation, corpus/, ini/sys.ini, help.txt, licences/
#   Lantaro-1.0-windows-x64.zip
# JOBS (default 2) limits the compile jobs.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINDOWS_BUILD_DIR=${WINDOWS_BUILD_DIR:-$root/build-windows}
JOBS=${JOBS:-2}
run_tests=0
with_qt=1
for arg in "$@"; do
  case $arg in
    --test) run_tests=1 ;;
    --no-qt) with_qt=0 ;;
    *) echo "usage: bash scripts/windows.sh [--no-qt] [--test]" >&2; exit 2 ;;
  esac
done

# shellcheck source=scripts/windows_sdk.sh
source "$root/scripts/windows_sdk.sh"
# shellcheck source=scripts/windows_common.sh
source "$root/scripts/windows_common.sh"

log() { echo "windows: $*" >&2; }

host_dir=$WINDOWS_BUILD_DIR/host
cross_dir=$WINDOWS_BUILD_DIR/cross
package_dir=$WINDOWS_BUILD_DIR/Lantaro
zip_file=$WINDOWS_BUILD_DIR/Lantaro-1.0-windows-x64.zip
gui=$( ((with_qt)) && echo ON || echo OFF)

windows_install_packages
if ((with_qt)); then
  windows_install_packages qt6-translations-l10n
  windows_sdk_ensure
else
  windows_sdk_ensure --deps-only
fi

log "native build of the build-time tools and lantaro-cli in $host_dir"
windows_configure_host "$host_dir" "$gui"
tools=(gbk_encode gb18030_tables lantaro-cli)
((with_qt)) && tools+=(render_artwork)
nice -n 10 cmake --build "$host_dir" --parallel "$JOBS" --target "${tools[@]}"

log "cross build in $cross_dir"
prefixes="$WINDOWS_SDK_DIR/deps"
((with_qt)) && prefixes="$WINDOWS_SDK_DIR/qt;$prefixes"
windows_configure_cross "$cross_dir" "$host_dir" "$gui" "$prefixes" \
  -DLANTARO_BUILD_TESTS="$( ((run_tests)) && echo ON || echo OFF)"
nice -n 10 cmake --build "$cross_dir" --parallel "$JOBS"

windows_find_runtime
if ((with_qt)); then
  log "assembling $package_dir"
  rm -rf "$package_dir"
  mkdir -p "$package_dir"/{platforms,styles,translations,licences}
  cp "$cross_dir/run/lantaro.exe" "$cross_dir/run/lantaro-cli.exe" "$cross_dir/run/help.txt" \
    "$package_dir/"
  cp -r "$cross_dir/run/corpus" "$cross_dir/run/ini" "$package_dir/"
  for dll in Qt6Core Qt6Gui Qt6Widgets Qt6Concurrent; do
    cp "$WINDOWS_SDK_DIR/qt/bin/$dll.dll" "$package_dir/"
  done
  cp "$WINDOWS_SDK_DIR/qt/plugins/platforms/qwindows.dll" "$package_dir/platforms/"
  cp "$WINDOWS_SDK_DIR/qt/plugins/styles/qwindowsvistastyle.dll" "$package_dir/styles/"
  cp "${windows_runtime_dlls[@]}" "$package_dir/"
  cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$package_dir/translations/"
  # Qt finds its plugins and translations beside the program, not where the SDK was installed.
  printf '[Paths]\nPrefix=.\nPlugins=.\nTranslations=translations\n' > "$package_dir/qt.conf"
  cp "$WINDOWS_SDK_DIR"/qt/licences/* "$WINDOWS_SDK_DIR"/deps/licences/* "$package_dir/licences/"
  cp "$root/corpus/LICENSE" "$package_dir/licences/corpus.txt"
  cp /usr/share/doc/mingw-w64-common/copyright "$package_dir/licences/mingw-w64-runtime.txt"
  cp /usr/share/doc/gcc-mingw-w64-base/copyright "$package_dir/licences/gcc-runtime.txt"
  # The debug information would triple the download.
  x86_64-w64-mingw32-strip "$package_dir"/*.exe

  rm -f "$zip_file"
  (cd "$WINDOWS_BUILD_DIR" && python3 - Lantaro "$(basename "$zip_file")" <<'PY'
import os, sys, zipfile
# zipfile marks non-ASCII names as UTF-8, which Windows' own unzipping honours.
folder, target = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
    for parent, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            archive.write(os.path.join(parent, name))
PY
  )
  log "package: $package_dir ($(du -sh "$package_dir" | cut -f1)), $zip_file" \
    "($(du -h "$zip_file" | cut -f1))"
fi

((run_tests)) || exit 0

windows_prepare_wine "$WINDOWS_BUILD_DIR/wine"
status=0
log "test suites under Wine"
dll_dirs=()
((with_qt)) && dll_dirs+=("$WINDOWS_SDK_DIR/qt/bin")
rm -f "$cross_dir"/tests/*.log
if ! WINEPATH=$(windows_wine_path "${dll_dirs[@]}") \
  ctest --test-dir "$cross_dir" --output-on-failure --timeout 900; then
  status=1
  # QtTest's reports reach only their files under Wine: those of suites that failed or broke off.
  for report in "$cross_dir"/tests/*.log; do
    [[ -f $report ]] || continue
    if grep -q '^FAIL!' "$report" || ! grep -q '^\*\*\*\*\*\*\*\*\* Finished testing' "$report"; then
      echo "== $(basename "$report")"
      grep -v '^PASS ' "$report"
    fi
  done
fi

log "lantaro-cli.exe against the Linux lantaro-cli"
if ((with_qt)); then
  bash "$root/tests/windows/compare_cli.sh" "$host_dir/run/lantaro-cli" "$package_dir" || status=1
else
  WINEPATH=$(windows_wine_path) \
    bash "$root/tests/windows/compare_cli.sh" "$host_dir/run/lantaro-cli" "$cross_dir/run" ||
    status=1
fi
exit "$status"
