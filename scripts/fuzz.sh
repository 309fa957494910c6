#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 300] [target ...]
# FUZZ_JOBS=1|2 targets at the same time (default 2; never more, the machine is shared).
# Prints, per target: executions, seconds, crashes found in this run. Crash inputs land in
# build-fuzz/crashes/. New inputs go to build-fuzz/corpus/<target>; the committed seeds under
# fuzz/corpus are only read (libFuzzer writes to the first folder it is given).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
jobs=${FUZZ_JOBS:-2}
[ "$jobs" -gt 2 ] && jobs=2
[ "$jobs" -lt 1 ] && jobs=1

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target fuzz_all >/dev/null

# target name -> seed folder under fuzz/corpus
declare -A seeds=(
  [fuzz_document_decoder]=decoder
  [fuzz_command_line]=command_line
  [fuzz_settings_file]=settings_file
  [fuzz_search]=search
  [fuzz_sentences]=sentences
)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "${!seeds[@]}"; do [ -x "build-fuzz/fuzz/$t" ] && targets+=("$t"); done
fi
mapfile -t targets < <(printf '%s\n' "${targets[@]}" | sort)

mkdir -p build-fuzz/crashes
seed_listing() { find fuzz/corpus -type f -printf '%p %s %T@\n' | sort; }
seeds_before=$(seed_listing)
stamp=$(mktemp)
trap 'rm -f "$stamp"' EXIT

run_one() {
  local t=$1 work="build-fuzz/corpus/$1" log="build-fuzz/$1.log" started rc
  mkdir -p "$work"
  started=$(date +%s)
  set +e
  "build-fuzz/fuzz/$t" "$work" "fuzz/corpus/${seeds[$t]}" -max_total_time="$seconds" \
    -max_len=65536 -timeout=30 -artifact_prefix="build-fuzz/crashes/$t-" -print_final_stats=1 \
    >"$log" 2>&1
  rc=$?
  set -e
  echo "$rc $(( $(date +%s) - started ))" >"build-fuzz/$t.outcome"
}

running=0
for t in "${targets[@]}"; do
  run_one "$t" &
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
done
wait

printf '%-24s %12s %8s %8s\n' target executions seconds crashes
status=0
for t in "${targets[@]}"; do
  log="build-fuzz/$t.log"
  read -r rc took <"build-fuzz/$t.outcome"
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -1 || true)
  # A run that stopped on a crash may not print its final statistics; its last status line
  # still tells how far it got.
  [ -z "$runs" ] && runs=$(grep -Eo '^#[0-9]+' "$log" | tail -1 | tr -d '#' || true)
  crashes=$(find build-fuzz/crashes -type f -name "$t-*" -newer "$stamp" | wc -l)
  printf '%-24s %12s %8s %8s\n' "$t" "${runs:-0}" "$took" "$crashes"
  if [ "$rc" -ne 0 ]; then
    status=1
    grep -E 'invariant failed|ERROR: |SUMMARY: |Test unit written' "$log" | head -5 | sed 's/^/    /'
  fi
done

if [ "$(seed_listing)" != "$seeds_before" ]; then
  echo "the seed folders under fuzz/corpus changed during the run" >&2
  status=1
fi
exit $status
