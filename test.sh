#!/usr/bin/env bash
# Installs what Quillet needs, builds it with its tests and runs the whole suite through CTest.
#   ./test.sh             the suite, built with the default compiler into build-test
#   ./test.sh --sanitize  the suite under the address, leak and undefined behaviour sanitizers (build-asan)
#   ./test.sh --fuzz      builds the libFuzzer targets of fuzz/ with clang (build-fuzz) and runs each for
#                         FUZZ_SECONDS (60) seconds on a copy of its seed corpus; fails when any target crashes
set -euo pipefail
QUILLET_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$QUILLET_ROOT/tools/setup.sh"

build_dir="$QUILLET_ROOT/build-test"
cmake_args=()
extra_packages=()
mode=suite
# Most tests wait on real playback, network timeouts and timers rather than the processor, so six run at once on
# two cores; the longest test then sets the time.
jobs=6
while [ $# -gt 0 ]; do
    case "$1" in
        # The benchmarks measure the normal build; under the sanitizers they would only cost build time. Each test
        # needs the processor more there, so fewer run at once.
        --sanitize)
            build_dir="$QUILLET_ROOT/build-asan"
            cmake_args+=(-DQUILLET_SANITIZE=address -DQUILLET_BUILD_BENCH=OFF)
            jobs=3
            ;;
        --fuzz)
            mode=fuzz
            build_dir="$QUILLET_ROOT/build-fuzz"
            extra_packages+=(clang libclang-rt-14-dev)
            cmake_args+=(-DCMAKE_CXX_COMPILER=clang++ -DQUILLET_FUZZ=ON -DQUILLET_SANITIZE=address
                -DQUILLET_BUILD_TESTS=OFF -DQUILLET_BUILD_BENCH=OFF)
            ;;
        *) echo "usage: $0 [--sanitize | --fuzz]" >&2; exit 2 ;;
    esac
    shift
done

quillet_install_packages "${extra_packages[@]}"

if [ "$mode" = fuzz ]; then
    # Only the fuzz targets and the libraries they read with: the program and its windows are not needed.
    cmake -S "$QUILLET_ROOT" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]}" >/dev/null
    cmake --build "$build_dir" --target quillet_fuzzers
    seconds=${FUZZ_SECONDS:-60}
    run_dir="$build_dir/fuzz-run"
    rm -rf "$run_dir"
    # Qt's and the libraries' own one-off allocations are not leaks of the reader under test.
    export LSAN_OPTIONS="suppressions=$QUILLET_ROOT/tests/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export QT_QPA_PLATFORM=offscreen
    passed=0
    failed=()
    for corpus in "$QUILLET_ROOT"/fuzz/corpus/*/; do
        reader=$(basename "$corpus")
        target="$build_dir/fuzz/fuzz_$reader"
        # Each target grows a copy of its corpus, so the committed seeds stay as they are.
        mkdir -p "$run_dir/$reader/corpus"
        cp -r "$corpus". "$run_dir/$reader/corpus/"
        echo "=== fuzz_$reader: $seconds s"
        if "$target" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
            -artifact_prefix="$run_dir/$reader/" "$run_dir/$reader/corpus" >"$run_dir/$reader/log" 2>&1; then
            passed=$((passed + 1))
            grep -E '^stat::number_of_executed_units|^Done' "$run_dir/$reader/log" || true
        else
            failed+=("$reader")
            tail -n 60 "$run_dir/$reader/log"
            echo "fuzz_$reader failed; the input is in $run_dir/$reader/ (crash-*, leak-*, timeout-*)"
        fi
    done
    echo "fuzz: $passed passed, ${#failed[@]} failed"
    [ ${#failed[@]} -eq 0 ] || exit 1
    exit 0
fi

quillet_build "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cmake_args[@]}"

export QT_QPA_PLATFORM=offscreen
export QUILLET_AUDIO_OUTPUT=null
cd "$build_dir"
ctest --output-on-failure -j"$jobs" --timeout 600
