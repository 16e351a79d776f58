#!/usr/bin/env bash
# Measures how much of the logic (app/ settings/ remote/ delivery/) the native
# tests run, and prints line and branch coverage per folder and in total.
#
#   scripts/coverage.sh [--html DIR]
#
# Builds the native tests with g++ --coverage (Debug, -O0, no sanitizers) in
# build-coverage/, runs them (ctest -L native) and reads the counts with gcov
# through gcovr. --html DIR also writes gcovr's detailed HTML report to
# DIR/index.html. Installs what it needs first. Fails only when the build or
# a test fails, never because of the figures.
set -euo pipefail
cd "$(dirname "$0")/.."

html=
while [ $# -gt 0 ]; do
    case $1 in
        --html) [ $# -ge 2 ] || { echo "usage: $0 [--html DIR]" >&2; exit 2; }
                html=$2; shift 2 ;;
        *) echo "usage: $0 [--html DIR]" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh

build=build-coverage
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Debug \
    -DKORVANTA_SANITIZE=OFF -DKORVANTA_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS="--coverage -O0" -DCMAKE_EXE_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" -j"$(nproc)"
# counts from an earlier run would add up with this one's
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -L native --output-on-failure

# Only the four folders count: the filters leave out tests/, tests/sim,
# platform/, tools/, e2e/, bench/ and the build directories. Without the two
# --exclude-*-branches options most C++ branches would be ones the compiler
# adds for exceptions (every call that may throw, every destructor on the way
# out) and for code it can never reach, which no test can or should take; the
# branch figure then says little about the decisions in the code itself.
gcovr_args=(--root . -j"$(nproc)"
    --filter 'app/' --filter 'settings/' --filter 'remote/' --filter 'delivery/'
    --exclude-unreachable-branches --exclude-throw-branches)
summary=$build/coverage-summary.json
gcovr "${gcovr_args[@]}" --json-summary "$summary" "$build"
if [ -n "$html" ]; then
    mkdir -p "$html"
    gcovr "${gcovr_args[@]}" --html-details "$html/index.html" "$build"
    echo "HTML report: $html/index.html"
fi

# gcovr's summary lists files; add them up per top folder.
python3 - "$summary" <<'EOF'
import json, sys
folders = ["app", "settings", "remote", "delivery"]
sums = {f: [0, 0, 0, 0] for f in folders + ["total"]}
for f in json.load(open(sys.argv[1]))["files"]:
    top = f["filename"].split("/")[0]
    for key in (top, "total"):
        s = sums[key]
        s[0] += f["line_covered"]; s[1] += f["line_total"]
        s[2] += f["branch_covered"]; s[3] += f["branch_total"]
def cell(covered, total):
    pct = f"{100 * covered / total:5.1f}%" if total else "    -"
    return f"{covered:>6}/{total:<6} {pct}"
print(f"\n{'':10} {'lines':^20}   {'branches':^20}")
for key in folders + ["total"]:
    s = sums[key]
    print(f"{key + '/' if key != 'total' else key:10} {cell(s[0], s[1])}   {cell(s[2], s[3])}")
EOF
