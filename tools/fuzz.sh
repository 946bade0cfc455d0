#!/usr/bin/env bash
# Builds the fuzz targets with clang in build/fuzz and runs each for SECONDS
# (default 600) on a working copy of its seed corpus, then prints each run's
# executions, coverage and findings. Exits non-zero when a target found
# something or could not run.
set -euo pipefail

seconds=${1:-600}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "usage: $0 [SECONDS]" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON \
      -DQV_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build "$build" --target fuzz_language_file fuzz_language_folder

status=0
for target in fuzz_language_file fuzz_language_folder; do
    log=$build/tests/fuzz/work/$target.log
    findings=$build/tests/fuzz/work/$target/findings
    rm -rf "$findings"  # only this run's findings count
    mkdir -p "$findings"
    rc=0
    ctest --test-dir "$build" -R "^$target\$" -V >"$log" 2>&1 || rc=1
    execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || true)
    last=$(grep -E '#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE|INITED)' "$log" | tail -1 |
           grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [^ ]+|exec/s: [0-9]+' | paste -sd' ' || true)
    echo "$target: ${seconds}s, ${execs:-?} execs, $last"
    if compgen -G "$findings/*" >/dev/null; then
        echo "$target: FINDINGS in $findings:"
        ls -l "$findings"
        grep -E 'ERROR: |invariant broken|SUMMARY: ' "$log" | head -20 || true
        status=1
    elif ((rc != 0)); then
        echo "$target: failed; see $log"
        tail -20 "$log"
        status=1
    fi
done
exit $status
