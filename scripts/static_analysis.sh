#!/usr/bin/env bash
# Static analysis of the project's own code (src/ and tools/): clang-tidy with the checks in
# .clang-tidy (bugs, performance, concurrency, and the naming rules: readability-identifier-naming,
# with src/gui/.clang-tidy for the Qt layer's names), then cppcheck. Prints each tool's findings
# and a count; exits non-zero if either tool finds anything.
#   bash scripts/static_analysis.sh
# BUILD_DIR (default build-analysis) is configured with clang to get compile_commands.json; only
# the sources the build generates (the code-page tables) are built. JOBS (default 2) clang-tidy processes run at once.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${BUILD_DIR:-$root/build-analysis}
jobs=${JOBS:-2}
cd "$root"

for tool in clang-tidy cppcheck clang++; do
  command -v "$tool" >/dev/null || { echo "static analysis: $tool is missing (run scripts/setup.sh)" >&2; exit 2; }
done

# Configured with clang so that every flag in the compile commands is one clang-tidy understands.
CC=clang CXX=clang++ cmake -S "$root" -B "$build_dir" -DLANTARO_BUILD_TESTS=OFF \
  -DLANTARO_BUILD_BENCH=OFF -DLANTARO_BUILD_FUZZ=OFF -DLANTARO_SANITIZE= >/dev/null
cmake --build "$build_dir" --target engine_generated_sources >/dev/null

mapfile -t sources < <(python3 - "$build_dir/compile_commands.json" "$root" <<'PY'
import json, os, sys
entries = json.load(open(sys.argv[1]))
root = sys.argv[2]
own = sorted({os.path.realpath(e["file"]) for e in entries
              if os.path.realpath(e["file"]).startswith((root + "/src/", root + "/tools/"))})
print("\n".join(own))
PY
)
echo "static analysis: ${#sources[@]} source files"

tidy_log=$(mktemp)
cppcheck_log=$(mktemp)
trap 'rm -f "$tidy_log" "$cppcheck_log"' EXIT

echo "== clang-tidy =="
printf '%s\n' "${sources[@]}" |
  xargs -P "$jobs" -n 4 clang-tidy -p "$build_dir" --quiet >"$tidy_log" 2>/dev/null || true
# Each finding once, even when a header is reached from several sources.
tidy_findings=$(grep -E '^[^ ].*:[0-9]+:[0-9]+: (warning|error):' "$tidy_log" | sort -u || true)
tidy_count=0
[[ -n $tidy_findings ]] && tidy_count=$(wc -l <<<"$tidy_findings")
[[ -n $tidy_findings ]] && printf '%s\n' "$tidy_findings"
echo "clang-tidy: $tidy_count finding(s)"

echo "== cppcheck =="
cppcheck_status=0
cppcheck --enable=warning,performance,portability --inline-suppr --error-exitcode=1 \
  --std=c++20 --library=qt -I src --suppress=missingIncludeSystem \
  --suppressions-list="$root/.cppcheck-suppressions" --quiet -j "$jobs" \
  --template='{file}:{line}:{column}: {severity}: {message} [{id}]' \
  src tools 2>"$cppcheck_log" || cppcheck_status=$?
cppcheck_count=$(grep -cE '^[^ ].*:[0-9]+:[0-9]+: ' "$cppcheck_log" || true)
cat "$cppcheck_log"
echo "cppcheck: $cppcheck_count finding(s)"

if ((tidy_count > 0 || cppcheck_count > 0 || cppcheck_status != 0)); then
  echo "static analysis: FAILED (clang-tidy $tidy_count, cppcheck $cppcheck_count)"
  exit 1
fi
echo "static analysis: clean"
