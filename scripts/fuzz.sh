#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 300] [target ...]
# Prints, per target: executions, seconds, crashes. Crash inputs land in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true

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

mkdir -p build-fuzz/crashes
printf '%-24s %12s %8s %8s\n' target executions seconds crashes
status=0
for t in $(printf '%s\n' "${targets[@]}" | sort); do
  work="build-fuzz/corpus/$t"
  mkdir -p "$work"
  log="build-fuzz/$t.log"
  set +e
  "build-fuzz/fuzz/$t" "$work" "fuzz/corpus/${seeds[$t]}" -max_total_time="$seconds" \
    -max_len=65536 -artifact_prefix="build-fuzz/crashes/$t-" -print_final_stats=1 >"$log" 2>&1
  rc=$?
  set -e
  runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo 0)
  took=$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second' "$log" | grep -Eo 'in [0-9]+' | grep -Eo '[0-9]+' || echo "$seconds")
  crashes=$(ls build-fuzz/crashes | grep -c "^$t-" || true)
  printf '%-24s %12s %8s %8s\n' "$t" "$runs" "$took" "$crashes"
  [ $rc -ne 0 ] && status=1
done
exit $status
