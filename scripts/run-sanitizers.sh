#!/bin/sh
# Builds Vantrel with AddressSanitizer and UndefinedBehaviorSanitizer (clang),
# runs the whole test suite on that build, then builds the libFuzzer targets
# (libraries instrumented too) and runs each for FUZZ_SECONDS (default 60)
# from a copy of its checked-in corpus. Exits non-zero on any finding.
# Usage: scripts/run-sanitizers.sh [tests|fuzz]   (default: both)
set -e
cd "$(dirname "$0")/.."
scripts/install-deps.sh sanitize
SECONDS_PER_TARGET=${FUZZ_SECONDS:-60}
WHAT=${1:-all}

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

if [ "$WHAT" = all ] || [ "$WHAT" = tests ]; then
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
        -DVANTREL_WERROR=ON -DVANTREL_SANITIZE=ON -DVANTREL_BUILD_BENCH=OFF
    cmake --build build-sanitize
    (cd build-sanitize && ctest --output-on-failure --timeout 900 -j 2)
fi

if [ "$WHAT" = all ] || [ "$WHAT" = fuzz ]; then
    cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DVANTREL_WERROR=ON -DVANTREL_BUILD_FUZZ=ON -DVANTREL_BUILD_TESTS=OFF -DVANTREL_BUILD_BENCH=OFF
    targets=$(cd fuzz && ls -d corpus/fuzz_* | sed 's|corpus/||')
    # shellcheck disable=SC2086
    cmake --build build-fuzz --target $targets
    printf '%-16s %12s %8s %8s\n' target executions edges corpus > build-fuzz/fuzz-summary.txt
    for target in $targets; do
        work=build-fuzz/corpus/$target
        rm -rf "$work" && mkdir -p "$work" && cp fuzz/corpus/"$target"/* "$work"/
        # The settings store caches the files it read, which libFuzzer would take
        # for a leak in every run and check at great cost; the test suite's
        # leak checks cover the store.
        leaks=1
        [ "$target" = fuzz_settings ] && leaks=0
        # Findings land in build-fuzz/ as crash-*, leak-* or timeout-* files.
        build-fuzz/bin/"$target" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
            -detect_leaks=$leaks -artifact_prefix=build-fuzz/"$target"- "$work" \
            > build-fuzz/"$target".log 2>&1 || {
            tail -n 40 build-fuzz/"$target".log
            echo "run-sanitizers: $target found a fault; see build-fuzz/$target.log" >&2
            exit 1
        }
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' build-fuzz/"$target".log)
        edges=$(grep -o 'cov: [0-9]*' build-fuzz/"$target".log | tail -n 1 | cut -d' ' -f2)
        printf '%-16s %12s %8s %8s\n' "$target" "$runs" "$edges" "$(ls "$work" | wc -l)" \
            >> build-fuzz/fuzz-summary.txt
    done
    cat build-fuzz/fuzz-summary.txt
fi
echo "run-sanitizers: no findings"
