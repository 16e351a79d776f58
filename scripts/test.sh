#!/usr/bin/env bash
# Runs every test on a Debian machine, installing what it needs first:
#   1. the native tests against the simulated desktop, under AddressSanitizer
#      and UndefinedBehaviorSanitizer;
#   2. the benchmark, built and run briefly so it cannot rot;
#   3. Korvanta.exe cross-built for x64 and x86 (imports checked);
#   4. the Wine tests of the real x64 and x86 exes: smoke test and end-to-end
#      tests of each, with the virtual receiver and stand-in viewers (64-bit
#      helpers either way).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

echo "== native tests (ASan + UBSan)"
cmake -S . -B build-native -DCMAKE_BUILD_TYPE=Debug -DKORVANTA_SANITIZE=ON -DKORVANTA_BENCHMARKS=OFF >/dev/null
cmake --build build-native -j"$(nproc)"
ctest --test-dir build-native -L native --output-on-failure

echo "== benchmark"
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target korvanta_bench
build-bench/bench/korvanta_bench --benchmark_min_time=0.05

echo "== fuzzers (clang libFuzzer, ASan + UBSan), 30 s each"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DKORVANTA_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"
ctest --test-dir build-fuzz -L fuzz --output-on-failure

echo "== Korvanta.exe, x64 and x86"
scripts/build-exe.sh --both

echo "== release packages (dist/): zips and installer"
scripts/package.sh --prebuilt

echo "== Wine tests, x64 and x86 (wine_smoke_<arch>, e2e_<arch>_<case>)"
ctest --test-dir build-native -L wine -j2 --output-on-failure
