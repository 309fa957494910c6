#!/usr/bin/env bash
# Benchmarks on a large generated library. One run prints every section's table.
#
#   bash scripts/bench.sh [section...]        sections: search extraction sort gui (default: all)
#
# Environment:
#   BUILD_DIR   build folder with the bench programs (default: <repo>/build-bench, configured and
#               built here with -j2 when the programs are missing)
#   BENCH_DATA  where the generated library goes (default: <BUILD_DIR>/bench-data; never inside
#               the source tree's tracked files)
#   BENCH_MB    minimum size of the generated library in MB (default 200; extraction section)
#   BENCH_SIZES sizes in MB of the search section's libraries (default "200 1000"), each with a
#               UTF-8 copy for ripgrep
#   BENCH_RUNS  alternating runs per program and request in the search section (default 5)
#   GUI_BUILD_DIR  build folder with the Qt front end for the gui section (default:
#               <repo>/build-bench-gui, configured and brought up to date here with -j2)
#
# The library is the example library (corpus/) copied as many times as needed into
# BENCH_DATA/corpus/copyNNN/; it is made once and reused while its size still suffices.
#
# Each section is a function bench_<name>; add a section by adding a function and its name to
# SECTIONS below.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build-bench}
data_dir=${BENCH_DATA:-$build_dir/bench-data}
min_mb=${BENCH_MB:-200}
corpus_dir=$data_dir/corpus
SECTIONS=(search extraction sort gui)

# ---------------------------------------------------------------------------------------------
# Common helpers
# ---------------------------------------------------------------------------------------------

log() { printf '%s\n' "$*" >&2; }

# Builds the given targets when they are missing.
ensure_built() {
  local missing=()
  for target in "$@"; do
    [[ -x $build_dir/run/$target ]] || missing+=("$target")
  done
  if ((${#missing[@]} == 0)); then return 0; fi
  if [[ ! -f $build_dir/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DLANTARO_BUILD_GUI=OFF \
      -DLANTARO_BUILD_TESTS=OFF -DLANTARO_BUILD_BENCH=ON >/dev/null
  fi
  for target in "${missing[@]}"; do
    cmake --build "$build_dir" -j2 --target "$target" >/dev/null
  done
}

corpus_bytes() {
  if [[ -d $corpus_dir ]]; then
    find "$corpus_dir" -type f -name '*.txt' -printf '%s\n' | awk '{s+=$1} END {print s+0}'
  else
    echo 0
  fi
}

# Copies the example library until the generated one holds at least min_mb MB of documents.
generate_corpus() {
  local want=$((min_mb * 1000 * 1000))
  local have
  have=$(corpus_bytes)
  if ((have >= want)); then
    log "bench: reusing $corpus_dir ($((have / 1000000)) MB)"
    return
  fi
  local one
  one=$(find "$root/corpus" -type f -name '*.txt' -printf '%s\n' | awk '{s+=$1} END {print s+0}')
  ((one > 0)) || { log "bench: the example library has no documents"; exit 1; }
  local copies=$(((want + one - 1) / one))
  log "bench: generating $copies copies of the example library in $corpus_dir"
  rm -rf "$corpus_dir"
  mkdir -p "$corpus_dir"
  local i
  for ((i = 0; i < copies; i++)); do
    local target
    target=$(printf '%s/copy%03d' "$corpus_dir" "$i")
    cp -r "$root/corpus" "$target"
  done
  # Only the documents and their folders: licence notes are no documents.
  find "$corpus_dir" -type f ! -name '*.txt' -delete
  log "bench: $(($(corpus_bytes) / 1000000)) MB in $(find "$corpus_dir" -type f -name '*.txt' | wc -l) documents"
}

# "WALL CPU" seconds of a command (output discarded): the run with the best wall-clock time out
# of $1 runs, CPU being user + system time of all its threads.
time_command() {
  local repeat=$1
  shift
  local best_wall="" best_cpu="" k
  local log
  log=$(mktemp)
  for ((k = 0; k < repeat; k++)); do
    /usr/bin/time -f '%e %U %S' -o "$log" "$@" >/dev/null 2>&1 || true
    local wall cpu
    read -r wall cpu < <(awk '{printf "%s %.2f\n", $1, $2 + $3}' "$log")
    if [[ -z $best_wall ]] || awk -v s="$wall" -v b="$best_wall" 'BEGIN {exit !(s < b)}'; then
      best_wall=$wall
      best_cpu=$cpu
    fi
  done
  rm -f "$log"
  echo "$best_wall $best_cpu"
}

# ---------------------------------------------------------------------------------------------
# Section: search (lantaro-cli against ripgrep on libraries of BENCH_SIZES MB, peak memory; then
# the window's repeated searches in one process)
# ---------------------------------------------------------------------------------------------

# make_search_library MB: a run directory $data_dir/search-MB/run whose corpus/ holds copies of the
# example library up to MB megabytes, and beside it utf8/, the same documents converted to UTF-8
# (what a user would hand ripgrep). Made once and reused.
make_search_library() {
  local mb=$1 base=$data_dir/search-$1
  local corpus=$base/run/corpus utf8=$base/utf8
  if [[ -f $base/done ]]; then return; fi
  rm -rf "$base"
  mkdir -p "$corpus" "$utf8"
  local example=$data_dir/example-utf8
  if [[ ! -d $example ]]; then
    local file rel
    while IFS= read -r -d '' file; do
      rel=${file#"$root/corpus/"}
      mkdir -p "$example.tmp/$(dirname "$rel")"
      if iconv -f UTF-8 -t UTF-8 "$file" >/dev/null 2>&1; then
        cp "$file" "$example.tmp/$rel"
      else
        iconv -f GB18030 -t UTF-8 -c "$file" >"$example.tmp/$rel" || true
      fi
    done < <(find "$root/corpus" -type f -name '*.txt' -print0)
    mv "$example.tmp" "$example"
  fi
  local one copies i
  one=$(find "$root/corpus" -type f -name '*.txt' -printf '%s\n' | awk '{s+=$1} END {print s+0}')
  copies=$(((mb * 1000000 + one - 1) / one))
  log "bench: generating $copies copies of the example library in $base"
  for ((i = 0; i < copies; i++)); do
    cp -r "$root/corpus" "$(printf '%s/copy%04d' "$corpus" "$i")"
    cp -r "$example" "$(printf '%s/copy%04d' "$utf8" "$i")"
  done
  find "$corpus" -type f ! -name '*.txt' -delete
  touch "$base/done"
}

# "WALL_S MAX_RSS_KB" of one run of a command (output discarded).
run_once() {
  local log
  log=$(mktemp)
  /usr/bin/time -f '%e %M' -o "$log" "$@" >/dev/null 2>&1 || true
  tail -n 1 "$log"
  rm -f "$log"
}

median() { sort -g | awk '{v[NR] = $1} END {if (NR == 0) print "-"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

bench_search() {
  ensure_built lantaro-cli lantaro-bench-search
  command -v rg >/dev/null || { log "bench: ripgrep (rg) is not installed"; return 1; }
  local cli=$build_dir/run/lantaro-cli runs=${BENCH_RUNS:-5}
  # Requests: a rare keyword, the most frequent character, two keywords one character
  # apart. ripgrep counts matching lines, not hits; only its time and memory are compared.
  local labels=("明月" "之" "白日 山, gap 1")
  local cli_args=("--keyword 明月" "--keyword 之" "--keyword 白日&山 --n 1")
  local patterns=("明月" "之" "白日.山")
  local mb
  for mb in ${BENCH_SIZES:-200 1000}; do
    make_search_library "$mb"
    local base=$data_dir/search-$mb
    local size_mb utf8_mb documents
    size_mb=$(du -sm --apparent-size "$base/run/corpus" | cut -f1)
    utf8_mb=$(du -sm --apparent-size "$base/utf8" | cut -f1)
    documents=$(find "$base/run/corpus" -type f -name '*.txt' | wc -l)
    # Files in the system's cache for every program alike: "cold" means a new process.
    find "$base" -type f -name '*.txt' -print0 | xargs -0 cat >/dev/null
    local load_before
    load_before=$(cut -d' ' -f1 /proc/loadavg)
    local tmp
    tmp=$(mktemp -d)
    local run r
    for ((run = 0; run < runs; run++)); do
      for r in "${!labels[@]}"; do
        local args
        read -r -a args <<<"${cli_args[$r]}"
        args=("${args[@]//&/ }")
        run_once "$cli" --root "$base/run" search "${args[@]}" >>"$tmp/cli$r"
        run_once rg -c -e "${patterns[$r]}" "$base/utf8" >>"$tmp/rg$r"
        run_once rg -E gbk -c -e "${patterns[$r]}" "$base/run/corpus" >>"$tmp/gbk$r"
      done
    done
    echo "== search: $size_mb MB GBK in $documents documents (UTF-8 copy $utf8_mb MB), $(nproc) cores, load $load_before -> $(cut -d' ' -f1 /proc/loadavg), median of $runs alternating runs =="
    printf '%-16s %9s %9s %9s %8s %8s %11s %9s\n' request lantaro_s rg_utf8_s rg_gbk_s "÷rg" "÷rg-gbk" lantaro_MiB rg_MiB
    for r in "${!labels[@]}"; do
      local ours theirs gbk ours_kb theirs_kb
      ours=$(cut -d' ' -f1 "$tmp/cli$r" | median)
      theirs=$(cut -d' ' -f1 "$tmp/rg$r" | median)
      gbk=$(cut -d' ' -f1 "$tmp/gbk$r" | median)
      ours_kb=$(cut -d' ' -f2 "$tmp/cli$r" | median)
      theirs_kb=$(cut -d' ' -f2 "$tmp/rg$r" | median)
      printf '%-16s %9s %9s %9s %8s %8s %11.0f %9.0f\n' "${labels[$r]}" "$ours" "$theirs" "$gbk" \
        "$(awk -v a="$ours" -v b="$theirs" 'BEGIN {printf "%.2f", (b > 0) ? a / b : 0}')" \
        "$(awk -v a="$ours" -v b="$gbk" 'BEGIN {printf "%.2f", (b > 0) ? a / b : 0}')" \
        "$(awk -v k="$ours_kb" 'BEGIN {print k / 1024}')" "$(awk -v k="$theirs_kb" 'BEGIN {print k / 1024}')"
    done
    rm -rf "$tmp"
    # What a search costs beyond its results: the same run for a keyword found nowhere.
    local none_kb
    none_kb=$(run_once "$cli" --root "$base/run" search --keyword 无此词语 | cut -d' ' -f2)
    echo "(÷rg: lantaro-cli's time over ripgrep's on the UTF-8 copy; targets: <= 1.0 for 明月 and the"
    echo " two keywords, <= 2.0 for 之; MiB: peak resident memory; with no hit at all: $(awk -v k="$none_kb" 'BEGIN {printf "%.0f", k / 1024}') MiB)"
    echo
  done

  # The window's repeated searches: one process, the same requests again and again.
  local first
  first=$(cut -d' ' -f1 <<<"${BENCH_SIZES:-200 1000}")
  local out
  out=$("$build_dir/run/lantaro-bench-search" --corpus "$data_dir/search-$first/run/corpus" \
    --repeat 3 "明月" "之" "白日 山@1")
  echo "== search in one process ($first MB library): first search, then best of 3 repeats =="
  grep '^phase=' <<<"$out" | awk '{print "  " $0}'
  grep '^peak_rss' <<<"$out" | awk -F= '{printf "  peak memory of the process: %.0f MiB\n", $2 / 1048576}'
}

# ---------------------------------------------------------------------------------------------
# Section: extraction (sentence extraction throughput, one thread against worker threads)
# ---------------------------------------------------------------------------------------------

bench_extraction() {
  generate_corpus
  ensure_built extraction_bench
  local out status=0
  # The program decodes every document first (as a search leaves them), then times each mode
  # on one thread and on one worker per core, and checks that both give the same items.
  out=$("$build_dir/run/extraction_bench" --corpus "$corpus_dir" --repeat 3) || status=$?
  echo "== extraction: $(head -n 1 <<<"$out" | sed 's/^extraction: //') =="
  tail -n +2 <<<"$out"
  echo "target: multi-threaded >= 1.7x single-threaded on 2 cores, identical items"
  if ((status != 0)); then
    log "bench: single- and multi-threaded extraction gave different items"
    return 1
  fi
}

# ---------------------------------------------------------------------------------------------
# Section: sort (the result list sorted by left and by right context)
# ---------------------------------------------------------------------------------------------

bench_sort() {
  ensure_built sort_bench
  # Concordance lines of "之" from the example library, taken round it until there are a million.
  echo "== sort: result items with 20 characters either side of the hit, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) =="
  "$build_dir/run/sort_bench" --corpus "$root/corpus" --keyword "之" --items 1000000 --repeat 3
  echo "target: < 1 s for 1,000,000 items"
}

# ---------------------------------------------------------------------------------------------
# Section: gui (the main window with 100,000 documents: corpus tree, memory, a million result
# items, a 50 MB document in the full-text view, documents of one 5 MB and one 50 MB line)
# ---------------------------------------------------------------------------------------------

bench_gui() {
  local gui_build=${GUI_BUILD_DIR:-$root/build-bench-gui}
  if [[ ! -f $gui_build/CMakeCache.txt ]]; then
    cmake -S "$root" -B "$gui_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANTARO_BUILD_GUI=ON \
      -DLANTARO_BUILD_TESTS=OFF -DLANTARO_BUILD_BENCH=ON >/dev/null
  fi
  # Always brought up to date: the window's figures change with every widget tweak.
  cmake --build "$gui_build" -j2 --target gui_scale_bench >/dev/null
  local out status=0
  # Its own library (1,000 directories of 100 documents, each with exactly ten "之", and a
  # 50 MB document beside it), generated once under the bench data folder.
  out=$(QT_QPA_PLATFORM=offscreen "$gui_build/run/gui_scale_bench" --data "$data_dir/gui-library" \
    --source "$root/corpus") || status=$?

  # fig NAME KEY: the value of KEY on the figure line NAME (memory lines: NAME is "memory WHEN").
  fig() {
    local line
    if [[ $1 == memory\ * ]]; then
      line=$(grep "^figure=memory when=${1#memory } " <<<"$out" || true)
    else
      line=$(grep "^figure=$1 " <<<"$out" || true)
    fi
    sed -n "s/.* $2=\([^ ]*\).*/\1/p" <<<" $line"
  }
  secs() { awk -v ms="$1" 'BEGIN {if (ms == "" || ms < 0) print "-"; else printf "%.2f", ms / 1000}'; }
  row() { printf '%-50s %8s %8s %9s   %s\n' "$@"; }
  # Scrolling: wall and CPU time of an average step, the longest step in the freeze column.
  scroll_rows() {
    local kind
    for kind in jump page; do
      local what="random jumps"
      [[ $kind == page ]] && what="page after page"
      row "$1: scroll, $what (ms a step)" "$(fig "$2" ${kind}_avg_ms)" \
        "$(fig "$2" ${kind}_cpu_ms)" "$(fig "$2" ${kind}_max_ms)" "smooth: < 16 ms a step on average"
    done
  }

  echo "== gui: $(fig tree_open documents) documents in $(find "$data_dir/gui-library/run/corpus" -mindepth 1 -maxdepth 1 -type d | wc -l) directories, $(nproc) cores, load $(cut -d' ' -f1 /proc/loadavg) =="
  row figure wall_s cpu_s freeze_s target
  row "corpus tree: open the main window" "$(secs "$(fig tree_open wall_ms)")" \
    "$(secs "$(fig tree_open cpu_ms)")" "$(secs "$(fig tree_open freeze_ms)")" "< 2 s, window responsive"
  row "  scan the folder (no window)" "$(secs "$(fig tree_scan wall_ms)")" \
    "$(secs "$(fig tree_scan cpu_ms)")" "" ""
  row "  fill the tree model (no window)" "$(secs "$(fig tree_model wall_ms)")" \
    "$(secs "$(fig tree_model cpu_ms)")" "" ""
  row "corpus tree: refresh button" "$(secs "$(fig tree_refresh wall_ms)")" \
    "$(secs "$(fig tree_refresh cpu_ms)")" "$(secs "$(fig tree_refresh freeze_ms)")" ""
  row "corpus tree: tick all, list ticked" "$(secs "$(fig tree_tick_all wall_ms)")" \
    "$(secs "$(fig tree_tick_all cpu_ms)")" "" "$(secs "$(fig tree_ticked_documents wall_ms)") s to list them"
  row "corpus tree: expand all" "$(secs "$(fig tree_expand_all wall_ms)")" \
    "$(secs "$(fig tree_expand_all cpu_ms)")" "$(secs "$(fig tree_expand_all freeze_ms)")" ""
  scroll_rows "corpus tree" tree_scroll
  row "search for 之 over the library" "$(secs "$(fig search_all wall_ms)")" \
    "$(secs "$(fig search_all cpu_ms)")" "$(secs "$(fig search_all freeze_ms)")" \
    "$(fig search_all items) items"
  row "result list: search end -> list shown" "$(secs "$(fig list_after_search wall_ms)")" \
    "$(secs "$(fig list_after_search cpu_ms)")" "" "< 1 s for $(fig list_after_search items) items"
  row "result list: show_results alone" "$(secs "$(fig list_fill wall_ms)")" \
    "$(secs "$(fig list_fill cpu_ms)")" "$(secs "$(fig list_fill freeze_ms)")" ""
  scroll_rows "result list" list_scroll
  row "full text: $(fig document_show mb) MB document, hits marked" \
    "$(secs "$(fig document_show wall_ms)")" "$(secs "$(fig document_show cpu_ms)")" \
    "$(secs "$(fig document_show freeze_ms)")" "< 2 s ($(fig document_show hits) hits)"
  row "full text: 200 x next hit" "$(secs "$(fig document_next_hit wall_ms)")" \
    "$(secs "$(fig document_next_hit cpu_ms)")" "" "$(fig document_next_hit right)/200 right"
  scroll_rows "full text" document_scroll
  row "full text: next hit to the last hit" "$(secs "$(fig document_last_hit wall_ms)")" \
    "$(secs "$(fig document_last_hit cpu_ms)")" "" "right=$(fig document_last_hit right)"
  local line
  for line in $(sed -n 's/^figure=\(single_line_[0-9]*mb\)_show .*/\1/p' <<<"$out"); do
    row "full text: $(fig "${line}_show" mb) MB in one line, hits marked" \
      "$(secs "$(fig "${line}_show" wall_ms)")" "$(secs "$(fig "${line}_show" cpu_ms)")" \
      "$(secs "$(fig "${line}_show" freeze_ms)")" "< 1 s ($(fig "${line}_show" blocks) blocks)"
    row "  one line: 200 x next hit" "$(secs "$(fig "${line}_next_hit" wall_ms)")" \
      "$(secs "$(fig "${line}_next_hit" cpu_ms)")" "" "$(fig "${line}_next_hit" right)/200 right"
    scroll_rows "  one line" "${line}_scroll"
    row "  one line: next hit to the last hit" "$(secs "$(fig "${line}_last_hit" wall_ms)")" \
      "$(secs "$(fig "${line}_last_hit" cpu_ms)")" "" "right=$(fig "${line}_last_hit" right)"
  done
  local when
  for when in library_open after_search document_open; do
    row "memory ($when): VmRSS / VmHWM MB" "$(fig "memory $when" rss_mb)" \
      "$(fig "memory $when" hwm_mb)" "" ""
  done
  echo "(freeze: the longest time the window's event loop could not run; cpu: all threads)"
  if ((status != 0)); then
    log "bench: the gui benchmark failed (status $status)"
    return 1
  fi
}

# ---------------------------------------------------------------------------------------------
# Main
# ---------------------------------------------------------------------------------------------

main() {
  local chosen=("$@")
  if ((${#chosen[@]} == 0)); then chosen=("${SECTIONS[@]}"); fi
  local section
  for section in "${chosen[@]}"; do
    if ! declare -F "bench_$section" >/dev/null; then
      log "bench: unknown section $section (known: ${SECTIONS[*]})"
      exit 2
    fi
    "bench_$section"
    echo
  done
}

main "$@"
