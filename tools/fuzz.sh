#!/usr/bin/env bash
# Builds the language file's fuzz target with clang in build/fuzz and runs it
# for ten minutes on a working copy of its seeds, then prints its
# executions, coverage and findings. Exits non-zero on a finding.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON \
      -DQV_FUZZ_SECONDS=600 >/dev/null
cmake --build "$build" --target fuzz_language_file
log=$build/tests/fuzz/work/fuzz_language_file.log
rm -rf "$build/tests/fuzz/work/findings"/*
rc=0
ctest --test-dir "$build" -R '^fuzz_language_file$' -V >"$log" 2>&1 || rc=1
grep -E 'stat::number_of_executed_units|#[0-9]+ +DONE' "$log" || true
if ((rc != 0)); then
    echo "fuzz_language_file: FINDINGS or failure; see $log"
    grep -E 'ERROR: |invariant broken|SUMMARY: ' "$log" | head -20 || true
fi
exit $rc
