#!/usr/bin/env bash
# Runs every test on a Debian machine, installing what it needs first:
#   1. the native tests against the simulated desktop, under AddressSanitizer
#      and UndefinedBehaviorSanitizer;
#   2. the benchmark, built and run briefly so it cannot rot;
#   3. Korvanta.exe cross-built for x64 and x86 (imports checked);
#   4. the Wine tests of the real x64 and x86 exes: smoke test and end-to-end
#      tests of each, with the virtual receiver and stand-in viewers (64-bit
#      helpers either way);
#   5. the native tests' line and branch coverage of the logic, printed.
# A test run that fails does not stop the others; the last line counts the
# tests passed, failed and skipped over all of them, and the exit code is 1
# when any failed. With KORVANTA_STRICT=1 (.ci/run sets it) a test that finds
# a package missing fails instead of skipping (tests/skips.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

passed=0
failed=0
skipped=0
# run_ctest BUILD_DIR CTEST_ARGS...: runs the tests and adds them to the
# counts. A test that CTest did not run for another reason than its own skip
# (a failed setup test before it, say) counts as failed.
run_ctest() {
    local dir=$1 junit
    shift
    junit=$(pwd)/$dir/ctest-results.xml
    rm -f "$junit"
    ctest --test-dir "$dir" --output-on-failure --output-junit "$junit" "$@" || true
    if [ ! -f "$junit" ]; then
        echo "ctest wrote no results in $dir"
        failed=$((failed + 1))
        return
    fi
    local p f s n
    p=$(grep -c 'status="run"' "$junit" || true)
    f=$(grep -c 'status="fail"' "$junit" || true)
    s=$(grep -c '<skipped message="SKIP_RETURN_CODE' "$junit" || true)
    n=$(grep -c 'status="notrun"' "$junit" || true)
    passed=$((passed + p))
    failed=$((failed + f + n - s))
    skipped=$((skipped + s))
}

echo "== native tests (ASan + UBSan)"
cmake -S . -B build-native -DCMAKE_BUILD_TYPE=Debug -DKORVANTA_SANITIZE=ON -DKORVANTA_BENCHMARKS=OFF >/dev/null
cmake --build build-native -j"$(nproc)"
run_ctest build-native -L native

echo "== benchmark"
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target korvanta_bench
build-bench/bench/korvanta_bench --benchmark_min_time=0.05

echo "== fuzzers (clang libFuzzer, ASan + UBSan), 30 s each"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DKORVANTA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
run_ctest build-fuzz -L fuzz

echo "== Korvanta.exe, x64 and x86"
scripts/build-exe.sh --both

echo "== release packages (dist/): zips and installer"
scripts/package.sh --prebuilt

echo "== Wine tests, x64 and x86 (wine_smoke_<arch>, e2e_<arch>_<case>)"
run_ctest build-native -L wine -j2

echo "== coverage of the logic by the native tests (figures only, not a gate)"
scripts/coverage.sh 2>&1 | tail -n 7 || echo "coverage could not be measured"

echo "== all tests: $passed passed, $failed failed, $skipped skipped"
[ "$failed" = 0 ]
