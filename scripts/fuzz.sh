#!/usr/bin/env bash
# Fuzzes import rows under AddressSanitizer and UndefinedBehaviorSanitizer with libFuzzer
# (clang): every input goes through the import driver, every copy routine and every writer.
#   bash scripts/fuzz.sh ROW [SECONDS]     one row for longer (any of the rows listed below; gen = raw data)
#   bash scripts/fuzz.sh all [SECONDS]     every row in turn (the CI smoke run)
# Inputs are kept to 16 KB (a Roland disk image to 80 KB), which already holds hundreds of samples (the larger stored
# regressions are replayed whole by CTest). A finding (crash, sanitizer report, hang over
# 10 s, memory over 2 GB) stops the run with a non-zero status and is kept as
# build-fuzz/findings/ROW-*; pin it under
# tests/fuzz/regress/ROW/ with a NAME.note saying what it found, once it is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
rows=(wav aiff iff au avr sf smp sndt voc txt pat sbk mod s3m s3i stm xm xi mdl spl gen)
rows+=(669 mtm far fsm f2r ult uwf psm dsm dmf dsf okt med uni)
rows+=(krz kr1)
rows+=(syw txw snd sdk sds sdx)
rows+=(efe ins gkh eui)
rows+=(sf2)
rows+=(wfb wfd wfp)
[ "${1:-}" = all ] || rows=("$1")
seconds=${2:-600}

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOBA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${rows[@]/#/koba_fuzz_}"
mkdir -p build-fuzz/findings
for row in "${rows[@]}"; do
    work=build-fuzz/corpus/$row
    mkdir -p "$work"
    echo "== fuzzing $row for $seconds s =="
    log=build-fuzz/findings/$row.log
    status=0
    # A Roland disk image keeps its wave table at 69120: its inputs may be that long.
    max_len=16384
    [ "$row" = sdk ] && max_len=80000
    seeds=()
    for dir in tests/fuzz/corpus/$row tests/fuzz/regress/$row; do [ -d "$dir" ] && seeds+=("$dir"); done
    build-fuzz/tests/fuzz/koba_fuzz_$row "$work" "${seeds[@]}" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048 -max_len="$max_len" \
        -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$row-" >"$log" 2>&1 || status=$?
    grep -E 'stat::(number_of_executed_units|average_exec_per_sec)' "$log" || true
    if [ "$status" -ne 0 ]; then
        grep -E -A30 'ERROR|SUMMARY|deadly signal|timeout|No such' "$log" | head -60 || true
        echo "fuzzing $row found a fault (exit $status): see $log and build-fuzz/findings/"
        exit 1
    fi
done
