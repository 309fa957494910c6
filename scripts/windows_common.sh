# Shared by scripts/windows.sh and the windows suite of .ci/run: packages, the two builds
# (native tools, cross build) and Wine. Sourced, not run.

windows_common_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
windows_wine=/usr/lib/wine/wine64
windows_compiler=x86_64-w64-mingw32-g++-posix

# Installs the Linux build's packages (scripts/setup.sh), the cross compiler, Wine and whatever
# else is named, each only when missing.
windows_install_packages() {
  bash "$windows_common_root/scripts/setup.sh" >&2
  local package status missing=()
  for package in g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 dpkg-dev \
      ninja-build pkg-config cmake python3 "$@"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [[ $status == installed ]] || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return
  if [[ $(id -u) -ne 0 ]]; then
    echo "windows: missing packages: ${missing[*]}; run as root to install them" >&2
    return 1
  fi
  echo "windows: installing ${missing[*]}" >&2
  env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=300 "${missing[@]}" >&2
}

# The MinGW runtime DLLs every program built here needs beside it.
windows_runtime_dlls=()
windows_find_runtime() {
  local dll
  windows_runtime_dlls=()
  for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    windows_runtime_dlls+=("$($windows_compiler -print-file-name="$dll")")
  done
}

# windows_configure_host DIR GUI: a native build that only has to provide the build-time tools
# (and the Linux lantaro-cli the comparison runs).
windows_configure_host() {
  local dir=$1 gui=$2
  nice -n 10 cmake -S "$windows_common_root" -B "$dir" -G Ninja -Wno-dev \
    -DCMAKE_BUILD_TYPE=Release -DLANTARO_BUILD_GUI="$gui" -DLANTARO_BUILD_TESTS=OFF \
    -DLANTARO_BUILD_BENCH=OFF -DLANTARO_WERROR=ON >/dev/null
}

# windows_configure_cross DIR HOST_DIR GUI PREFIXES [CMAKE_ARGS...]: the same project for
# Windows, with the SDK parts PREFIXES (";"-separated) and the host build's tools.
windows_configure_cross() {
  local dir=$1 host=$2 gui=$3 prefixes=$4
  shift 4
  PKG_CONFIG_LIBDIR=$WINDOWS_SDK_DIR/deps/lib/pkgconfig PKG_CONFIG_PATH= \
    nice -n 10 cmake -S "$windows_common_root" -B "$dir" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$windows_common_root/cmake/mingw-w64-x86_64.cmake" \
    -DLANTARO_WINDOWS_SDK_PREFIXES="$prefixes" -DCMAKE_PREFIX_PATH="$prefixes" \
    -DLANTARO_HOST_TOOLS_DIR="$host/tools" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DCMAKE_BUILD_TYPE=Release -DLANTARO_BUILD_GUI="$gui" -DLANTARO_BUILD_BENCH=OFF \
    -DLANTARO_WERROR=ON "$@" >/dev/null
}

# A Wine prefix of its own (the first start takes a few seconds), quiet, without the browser and
# .NET add-ons it would otherwise offer to download.
windows_prepare_wine() {
  export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINE=$windows_wine
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$WINEPREFIX"
    "$windows_wine" wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
  fi
}

# WINEPATH for the given folders and the MinGW runtime: Windows paths on drive Z:.
windows_wine_path() {
  local dir out=""
  windows_find_runtime
  local -A seen=()
  for dir in "$@" "${windows_runtime_dlls[@]%/*}"; do
    dir=$(realpath "$dir")
    [[ -n ${seen[$dir]:-} ]] && continue
    seen[$dir]=1
    out+="Z:${dir//\//\\};"
  done
  echo "${out%;}"
}
