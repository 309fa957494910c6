#!/usr/bin/env bash
# Builds the Windows x64 SDK that Lantaro's Windows build links against, cross-compiled with
# MinGW-w64 from Debian sources, in two parts that are built and reused independently:
#   deps/  zlib and libxlsxwriter (their Debian sources) and GoogleTest (/usr/src/googletest),
#          static; about a minute. The engine, lantaro-cli and the engine tests need only these.
#   qt/    Qt Core, Gui, Widgets, Concurrent and Test with the windows, offscreen and minimal
#          platform plugins and the windows styles, from Debian's qtbase source; about 25
#          minutes on two cores.
#
#   bash scripts/windows_sdk.sh [--deps-only]
#
# The SDK lives outside the work tree, in $WINDOWS_SDK_DIR (default ~/.cache/lantaro/windows-sdk).
# A part is rebuilt only when its inputs change: its recipe below, the toolchain file, the
# compiler and the versions of its sources (each kept in the part's stamp file).
# scripts/windows.sh and the windows suite of .ci/run source this file.
set -euo pipefail

windows_sdk_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
WINDOWS_SDK_DIR=${WINDOWS_SDK_DIR:-$HOME/.cache/lantaro/windows-sdk}
windows_sdk_toolchain=$windows_sdk_root/cmake/mingw-w64-x86_64.cmake
windows_sdk_jobs=${JOBS:-2}

# Raise when a part's build steps below change in a way that needs it built anew.
windows_sdk_deps_recipe=1
windows_sdk_qt_recipe=1

# Small on purpose: no OpenGL (the windows plugin then also needs dynamicgl off), no networking,
# SQL, D-Bus, printing, XML or Vulkan. Debian's source lacks wintab.h, hence no tablet events.
# Third-party libraries come from qtbase's own bundled copies, never from the MinGW sysroot.
WINDOWS_SDK_QT_OPTIONS=(
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DFEATURE_opengl=OFF
  -DFEATURE_dynamicgl=OFF
  -DFEATURE_tabletevent=OFF
  -DFEATURE_network=OFF
  -DFEATURE_sql=OFF
  -DFEATURE_dbus=OFF
  -DFEATURE_printsupport=OFF
  -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF
  -DFEATURE_system_zlib=OFF
  -DFEATURE_system_pcre2=OFF
  -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_freetype=OFF
  -DFEATURE_system_png=OFF
  -DFEATURE_system_jpeg=OFF
  -DFEATURE_system_doubleconversion=OFF
)

windows_sdk_log() { echo "windows-sdk: $*" >&2; }

# source-package=version of the binary package's source as installed here: the Windows Qt must
# be the host Qt's version (its moc, rcc and uic do the host side), and the spreadsheet writer
# and zlib are then the ones the Linux build uses.
windows_sdk_source_of() {
  dpkg-query -W -f='${source:Package}=${source:Version}\n' "$1"
}

windows_sdk_common_stamp() {
  echo "toolchain $(sha256sum < "$windows_sdk_toolchain" | cut -d' ' -f1)"
  echo "compiler $(dpkg-query -W -f='${Version}' g++-mingw-w64-x86-64-posix)"
}

windows_sdk_deps_stamp() {
  echo "recipe $windows_sdk_deps_recipe"
  windows_sdk_common_stamp
  echo "googletest $(dpkg-query -W -f='${Version}' googletest)"
  windows_sdk_source_of zlib1g
  windows_sdk_source_of libxlsxwriter-dev
}

windows_sdk_qt_stamp() {
  echo "recipe $windows_sdk_qt_recipe ${WINDOWS_SDK_QT_OPTIONS[*]}"
  windows_sdk_common_stamp
  windows_sdk_source_of qt6-base-dev
}

# windows_sdk_up_to_date PART: whether PART/ holds a build of the current inputs.
windows_sdk_up_to_date() {
  local part=$1
  [[ -f $WINDOWS_SDK_DIR/$part/stamp ]] &&
    [[ $(cat "$WINDOWS_SDK_DIR/$part/stamp") == "$("windows_sdk_${part}_stamp")" ]]
}

# apt-get source needs deb-src entries; they mirror the archive entries the machine already has.
windows_sdk_enable_sources() {
  if apt-get source --print-uris -qq zlib >/dev/null 2>&1; then return; fi
  local list=/etc/apt/sources.list.d/lantaro-deb-src.sources
  windows_sdk_log "adding deb-src entries ($list)"
  if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
    sed -n '/^Types: deb$/,/^$/p' /etc/apt/sources.list.d/debian.sources |
      sed 's/^Types: deb$/Types: deb-src/' > "$list"
  else
    sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list > "${list%.sources}.list"
  fi
  env DEBIAN_FRONTEND=noninteractive apt-get update -qq
}

# windows_sdk_fetch DIR SOURCE=VERSION...: unpacked Debian sources (patches applied) in DIR.
windows_sdk_fetch() {
  local dir=$1
  shift
  windows_sdk_enable_sources
  windows_sdk_log "fetching $*"
  mkdir -p "$dir"
  (cd "$dir" && apt-get source -qq "$@" > fetch.log 2>&1) || { cat "$dir/fetch.log" >&2; return 1; }
}

windows_sdk_cmake() { nice -n 10 cmake "$@"; }

# windows_sdk_cmake_project SOURCE BUILD PREFIX [ARGS...]: configure, build and install.
windows_sdk_cmake_project() {
  local src=$1 build=$2 prefix=$3
  shift 3
  rm -rf "$build"
  {
    windows_sdk_cmake -S "$src" -B "$build" -G Ninja -Wno-dev \
      -DCMAKE_TOOLCHAIN_FILE="$windows_sdk_toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "$@" &&
      windows_sdk_cmake --build "$build" --parallel "$windows_sdk_jobs" &&
      cmake --install "$build"
  } > "$build.log" 2>&1 || { tail -40 "$build.log" >&2; return 1; }
}

windows_sdk_build_zlib() {
  local src=$1 prefix=$2 file objects=()
  windows_sdk_log "building zlib"
  # Static only, so that libxlsxwriter carries it and no extra DLL ships. Debian's source has
  # no win32 makefile; the library is the top-level C files.
  for file in "$src"/*.c; do
    nice -n 10 x86_64-w64-mingw32-gcc-posix -O2 -c "$file" -o "${file%.c}.o"
    objects+=("${file%.c}.o")
  done
  mkdir -p "$prefix/include" "$prefix/lib"
  rm -f "$prefix/lib/libz.a"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libz.a" "${objects[@]}"
  cp "$src/zlib.h" "$src/zconf.h" "$prefix/include/"
}

windows_sdk_build_xlsxwriter() {
  local src=$1 build=$2 prefix=$3
  windows_sdk_log "building libxlsxwriter"
  # Upstream leaves MinGW on the ANSI fopen path; the Win32 path converts the UTF-8 file name to
  # UTF-16 and opens it with the wide API, which Chinese file names need.
  sed -i '/^#ifdef __MINGW32__$/{N;/#undef _WIN32/{N;s/.*\n#endif//}}' \
    "$src/src/packager.c" "$src/src/utility.c"
  perl -0pi -e \
    's/if\(MSVC\)(\s*list\(APPEND LXW_SOURCES third_party\/minizip\/iowin32\.c\))/if(WIN32)$1/' \
    "$src/CMakeLists.txt"
  windows_sdk_cmake_project "$src" "$build" "$prefix" \
    -DLANTARO_WINDOWS_SDK_PREFIXES="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DBUILD_SHARED_LIBS=OFF -DZLIB_ROOT="$prefix" -DCMAKE_C_FLAGS=-D__USE_MINGW_ANSI_STDIO=1
  # Static: whoever links it must link zlib after it.
  grep -q '^Libs:.* -lz' "$prefix/lib/pkgconfig/xlsxwriter.pc" ||
    sed -i 's/^Libs: \(.*\)$/Libs: \1 -lz/' "$prefix/lib/pkgconfig/xlsxwriter.pc"
}

windows_sdk_build_deps() {
  local prefix=$WINDOWS_SDK_DIR/deps work=$WINDOWS_SDK_DIR/deps.work started=$SECONDS
  rm -rf "$prefix" "$work"
  windows_sdk_fetch "$work" "$(windows_sdk_source_of zlib1g)" \
    "$(windows_sdk_source_of libxlsxwriter-dev)"
  windows_sdk_build_zlib "$(find "$work" -maxdepth 1 -type d -name 'zlib-*')" "$prefix"
  local xlsx
  xlsx=$(find "$work" -maxdepth 1 -type d -name 'libxlsxwriter-*')
  windows_sdk_build_xlsxwriter "$xlsx" "$work/build-xlsxwriter" "$prefix"
  windows_sdk_log "building GoogleTest"
  windows_sdk_cmake_project /usr/src/googletest "$work/build-googletest" "$prefix" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON
  mkdir -p "$prefix/licences"
  cp "$xlsx/License.txt" "$prefix/licences/libxlsxwriter.txt"
  cp "$(find "$work" -maxdepth 1 -type d -name 'zlib-*')/debian/copyright" \
    "$prefix/licences/zlib.txt"
  windows_sdk_deps_stamp > "$prefix/stamp"
  rm -rf "$work"
  windows_sdk_log "deps built in $((SECONDS - started)) s"
}

windows_sdk_build_qt() {
  local prefix=$WINDOWS_SDK_DIR/qt work=$WINDOWS_SDK_DIR/qt.work started=$SECONDS
  rm -rf "$prefix" "$work"
  windows_sdk_fetch "$work" "$(windows_sdk_source_of qt6-base-dev)"
  local src
  src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*')
  windows_sdk_log "building Qt with $windows_sdk_jobs jobs (about 25 minutes on two cores);" \
    "log in $work/build-qt.log"
  windows_sdk_cmake_project "$src" "$work/build-qt" "$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${WINDOWS_SDK_QT_OPTIONS[@]}"
  mkdir -p "$prefix/licences"
  cp "$src/LICENSES/LGPL-3.0-only.txt" "$prefix/licences/Qt-LGPL-3.0.txt"
  cp "$src/LICENSES/GPL-3.0-only.txt" "$prefix/licences/Qt-GPL-3.0.txt"
  cp "$src/debian/copyright" "$prefix/licences/Qt-copyright.txt"
  windows_sdk_qt_stamp > "$prefix/stamp"
  rm -rf "$work"
  windows_sdk_log "Qt built in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s," \
    "$(du -sh "$prefix" | cut -f1) installed"
}

# windows_sdk_ensure [--deps-only]: builds what is missing or out of date.
windows_sdk_ensure() {
  local part parts=(deps qt)
  [[ ${1:-} == --deps-only ]] && parts=(deps)
  for part in "${parts[@]}"; do
    if windows_sdk_up_to_date "$part"; then
      windows_sdk_log "$part up to date in $WINDOWS_SDK_DIR/$part"
    else
      "windows_sdk_build_$part"
    fi
  done
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  windows_sdk_ensure "$@"
fi
