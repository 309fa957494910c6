#!/usr/bin/env bash
# Runs the same requests through the Linux lantaro-cli and, under Wine, through lantaro-cli.exe,
# each in its own copy of the same run directory, and requires the same bytes on stdout and
# stderr, the same exit code and the same files written. The Windows copy lies under a folder
# whose path has Chinese characters and spaces, and finds its run directory by itself.
#
#   bash tests/windows/compare_cli.sh LINUX_CLI WINDOWS_RUN_DIR
#
# LINUX_CLI is a lantaro-cli whose folder holds a run directory (build/run/lantaro-cli);
# WINDOWS_RUN_DIR holds lantaro-cli.exe with its DLLs (the package folder, or a folder with the
# exe beside corpus/ and ini/ plus WINEPATH naming the DLLs' folders). Needs WINEPREFIX set up.
# Prints one line per request and "N passed, N failed" at the end.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
linux_cli=$(realpath "$1")
windows_run=$(realpath "$2")
wine=${WINE:-/usr/lib/wine/wine64}
export WINEDEBUG=-all

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
linux_root=$work/linux/Lantaro
windows_root="$work/windows/语料 库 (copy)/Lantaro"
mkdir -p "$linux_root" "$(dirname "$windows_root")" "$work/linux/cwd" "$work/windows/cwd"
cp "$linux_cli" "$linux_root/"
cp -r "$(dirname "$linux_cli")/corpus" "$(dirname "$linux_cli")/ini" "$linux_root/"
cp "$(dirname "$linux_cli")/help.txt" "$linux_root/" 2>/dev/null || true
cp -r "$windows_run" "$windows_root"
# Both libraries must start out equal for the comparison to mean anything.
if ! diff -r "$linux_root/corpus" "$windows_root/corpus" >/dev/null; then
  echo "compare_cli: the two run directories hold different libraries" >&2
  exit 1
fi

# A document to import: GBK text with a four-byte GB18030 character and a malformed byte.
printf '\xD1\xA7\xB6\xF8\xCA\xB1\xCF\xB0\xD6\xAE\xA1\xA3\x95\x32\x82\x36\xFF\r\n' \
  | tee "$work/linux/cwd/来源 文件.txt" > "$work/windows/cwd/来源 文件.txt"

passed=0
failed=0
failures=()

# compare NAME ARGS...: both programs run from their side's cwd/ with the same arguments.
compare() {
  local name=$1
  shift
  local side
  (cd "$work/linux/cwd" && "$linux_root/lantaro-cli" "$@" > ../out 2> ../err < /dev/null
   echo $? > ../rc)
  (cd "$work/windows/cwd" && "$wine" "$windows_root/lantaro-cli.exe" "$@" > ../out 2> ../err \
     < /dev/null
   echo $? > ../rc)
  local differs=()
  for side in out err rc; do
    cmp -s "$work/linux/$side" "$work/windows/$side" || differs+=("$side")
  done
  if ((${#differs[@]} == 0)); then
    passed=$((passed + 1))
    printf 'same     %s (exit %s, %s bytes)\n' "$name" "$(cat "$work/linux/rc")" \
      "$(wc -c < "$work/linux/out")"
  else
    failed=$((failed + 1))
    failures+=("$name")
    printf 'DIFFERS  %s: %s\n' "$name" "${differs[*]}"
    for side in "${differs[@]}"; do
      diff <(head -c 2000 "$work/linux/$side") <(head -c 2000 "$work/windows/$side") | head -20
    done
    # Still a failure, but whether it repeats tells a fault of the program from a hiccup of Wine.
    # Requests that change the library or write files are not repeated.
    case $1 in import | mkdir | export) return ;; esac
    (cd "$work/windows/cwd" && "$wine" "$windows_root/lantaro-cli.exe" "$@" > ../out2 \
       2> ../err2 < /dev/null
     echo $? > ../rc2)
    if cmp -s "$work/linux/out" "$work/windows/out2" && cmp -s "$work/linux/err" "$work/windows/err2" &&
       cmp -s "$work/linux/rc" "$work/windows/rc2"; then
      echo "         (the same request run again gave the same as Linux)"
    else
      echo "         (run again: exit $(cat "$work/windows/rc2"), $(wc -c < "$work/windows/out2") bytes out," \
        "stderr: $(head -c 300 "$work/windows/err2"))"
    fi
  fi
}

# same_file NAME RELATIVE_PATH [xlsx]: a file both sides wrote (relative to cwd/ or the root).
same_file() {
  local name=$1 linux=$2 windows=$3 kind=${4:-bytes} same=0
  if [[ $kind == xlsx ]]; then
    if [[ -f $linux && -f $windows ]] &&
       cmp -s <(python3 "$here/../support/read_xlsx.py" "$linux") \
              <(python3 "$here/../support/read_xlsx.py" "$windows"); then
      same=1
    fi
  elif [[ -f $linux && -f $windows ]] && cmp -s "$linux" "$windows"; then
    same=1
  fi
  if ((same)); then
    passed=$((passed + 1))
    printf 'same     %s (%s bytes)\n' "$name" "$(wc -c < "$linux")"
  else
    failed=$((failed + 1))
    failures+=("$name")
    printf 'DIFFERS  %s\n' "$name"
  fi
}

exact=两关键词间隔字符数
within=第二词在字符数范围

compare "--version" --version
compare "usage" --help
compare "unknown command" frobnicate
compare "settings" settings
compare "list" list
compare "search one keyword" search --keyword 子曰
compare "search one keyword --json" search --keyword 子曰 --json
compare "search exact gap" search --keyword "子 曰" --mode "$exact" --n 1
compare "search exact gap --json" search --keyword "学 习" --mode "$exact" --n 2 --json
compare "search within range" search --keyword "天 下" --mode "$within" --n 10 --left 5 --right 8
compare "search within range --json" search --keyword "天 下" --mode "$within" --n 10 --json
compare "search in a folder" search --keyword 之 经部/四书
compare "search, no hit" search --keyword 齉齉齉
compare "search, empty keyword" search --keyword ""
compare "search, bad count" search --keyword "子 曰" --n abc
compare "search, missing document" search --keyword 子 没有这个/文献
for mode in narrative dialogue all; do
  for threads in 1 2; do
    compare "extract $mode, $threads thread(s)" extract --mode "$mode" --threads "$threads" \
      --keyword 曰 经部
    compare "extract $mode, $threads thread(s) --json" extract --mode "$mode" \
      --threads "$threads" --json --keyword 君子 经部/论语
  done
done
compare "export --txt" export --txt "导出 结果.txt" --keyword 君子
same_file "export --txt file" "$work/linux/cwd/导出 结果.txt" "$work/windows/cwd/导出 结果.txt"
compare "export --txt extract" export --txt sentences.txt --extract dialogue --keyword 曰 经部
same_file "export --txt extract file" "$work/linux/cwd/sentences.txt" \
  "$work/windows/cwd/sentences.txt"
compare "export --xlsx" export --xlsx "检索 结果.xlsx" --keyword 君子
same_file "export --xlsx cells" "$work/linux/cwd/检索 结果.xlsx" \
  "$work/windows/cwd/检索 结果.xlsx" xlsx
compare "mkdir" mkdir "新 目录"
compare "mkdir nested" mkdir 子目录 --in "新 目录"
compare "mkdir again" mkdir "新 目录"
compare "import" import "来源 文件.txt" --name "导入 文献" --to "新 目录/子目录"
compare "import again, refused" import "来源 文件.txt" --name "导入 文献" --to "新 目录/子目录"
compare "import again --yes" import "来源 文件.txt" --name "导入 文献" --to "新 目录/子目录" --yes
same_file "imported document" "$linux_root/corpus/新 目录/子目录/导入 文献.txt" \
  "$windows_root/corpus/新 目录/子目录/导入 文献.txt"
compare "list after import" list
compare "search the imported document" search --keyword 学 --json "新 目录"

echo "compare_cli: $passed passed, $failed failed"
((failed == 0)) || { printf '  %s\n' "${failures[@]}"; exit 1; }
