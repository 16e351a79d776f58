#!/usr/bin/env bash
# End-to-end tests of the unmodified Korvanta.exe under Wine: a virtual
# remote-control receiver pushes real HID reports, Korvanta turns them into
# keys, and stand-in viewer programs log what reaches them.
#
#   e2e/endtoend/run_e2e.sh [--exe PATH/Korvanta.exe] [--tools DIR] [CASE...]
#   e2e/endtoend/run_e2e.sh --build-only [--exe ...] [--tools DIR]
#   e2e/endtoend/run_e2e.sh --list
#
# Without --exe the 64-bit executable is built first with
# scripts/build-exe.sh. The helper programs (receiver kit, stand-in viewer,
# wctl) are built into --tools (default build-e2e/ in the repository) when
# their sources changed. Each case runs in a process of its own under
# `timeout`, with its own X server, a fresh Wine prefix copied from the cached
# template (under a second), its own copy of Korvanta.exe in an empty folder,
# and everything stopped again whether it passes or not. Exit code 0 when all
# cases pass, 1 otherwise, 77 when Wine, Xvfb or MinGW-w64 is missing.
#
# The viewers' logs are the evidence (format in e2e/viewer/standin.c). Time is
# asserted only as order and as generous lower bounds on the pauses that
# Korvanta puts around a direction key, measured on the sender's clock (the
# injected events' own time stamps and the posted message's time) so that a
# busy machine cannot shrink them.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=lib.sh
source "$here/lib.sh"
# shellcheck source=checks.sh
source "$here/checks.sh"

# The cases, one theme to a file. Each cases_<theme>.sh defines its
# case_<name> functions and appends the names to ALL_CASES; the files are read
# in this order, then any other cases_*.sh in the order of their names.
ALL_CASES=()
CASE_THEMES=(routes repeat settings lifecycle lockon)
case_files=()
for theme in "${CASE_THEMES[@]}"; do
    [ -f "$here/cases_$theme.sh" ] && case_files+=("$here/cases_$theme.sh")
done
for f in "$here"/cases_*.sh; do
    [ -f "$f" ] || continue
    theme=${f##*/cases_}
    theme=${theme%.sh}
    [[ " ${CASE_THEMES[*]} " == *" $theme "* ]] || case_files+=("$f")
done
for f in "${case_files[@]}"; do
    # shellcheck source=/dev/null
    source "$f"
done
unset f theme case_files

CASE_TIMEOUT=${E2E_CASE_TIMEOUT:-180}

# ---------------------------------------------------------------------------
# Running

# run_case NAME: in this process, with cleanup on every way out.
run_case() {
    local name=$1
    CASE_CLEANUP=
    trap 'eval "$CASE_CLEANUP"; e2e_env_down' EXIT
    trap 'exit 143' TERM INT
    if ! e2e_env_up "$TOOLS" "$EXE"; then
        echo "  FAILED (setup): environment"
        return 1
    fi
    "case_$name" || FAILED=1
    if [ "$FAILED" != 0 ]; then
        local f
        echo "  --- logs ---"
        for f in "$E2E_RUN"/*.log "$E2E_RUN"/korvanta.out; do
            [ -f "$f" ] || continue
            echo "  [$(basename "$f")]"
            tail -n 60 "$f" | sed 's/^/    /'
        done
        w zorder >/dev/null && { echo "  [z-order]"; printf '    %s\n' "${E2E_REPLY[@]}"; }
    fi
    return "$FAILED"
}

usage() {
    echo "usage: $0 [--exe PATH/Korvanta.exe] [--tools DIR] [--build-only] [--list] [CASE...]" >&2
    exit 2
}

EXE=""
TOOLS=""
inner=""
build_only=0
cases=()
while [ $# -gt 0 ]; do
    case $1 in
        --exe) EXE=${2:?}; shift 2 ;;
        --tools) TOOLS=${2:?}; shift 2 ;;
        --inner) inner=${2:?}; shift 2 ;;
        --build-only) build_only=1; shift ;;
        --list) printf '%s\n' "${ALL_CASES[@]}"; exit 0 ;;
        -h | --help) usage ;;
        -*) usage ;;
        *) cases+=("$1"); shift ;;
    esac
done

if [ -n "$inner" ]; then
    echo "== $inner"
    run_case "$inner"
    exit $?
fi

if ! e2e_have_prerequisites; then
    echo "SKIP: missing $E2E_MISSING"
    exit 77
fi
[ ${#cases[@]} -gt 0 ] || cases=("${ALL_CASES[@]}")
for c in "${cases[@]}"; do
    declare -F "case_$c" >/dev/null || { echo "unknown case: $c (see --list)" >&2; exit 2; }
done

TOOLS=${TOOLS:-$E2E_REPO/build-e2e/tools}
e2e_build_tools "$TOOLS" || { echo "building the helper programs failed"; exit 1; }
TOOLS=$(cd "$TOOLS" && pwd)
if [ -z "$EXE" ]; then
    timeout 600 "$E2E_REPO/scripts/build-exe.sh" >"$TOOLS/build-exe.log" 2>&1 ||
        { cat "$TOOLS/build-exe.log"; echo "building Korvanta.exe failed"; exit 1; }
    EXE=$E2E_REPO/build-win64/Korvanta.exe
fi
[ -f "$EXE" ] || { echo "no executable at $EXE"; exit 1; }
EXE=$(cd "$(dirname "$EXE")" && pwd)/$(basename "$EXE")
[ "$build_only" = 1 ] && exit 0

# the template is built once, outside the cases' time limits
kv_template "$TOOLS" >/dev/null || { echo "the Wine prefix template could not be made"; exit 1; }

results=()
failed=0
t_all=$(e2e_now_s)
for c in "${cases[@]}"; do
    wrap=()
    if [ "$c" = settings_readonly_folder ]; then
        if ! unshare -m --propagation private true 2>/dev/null; then
            results+=("SKIP $c (no mount namespace)")
            continue
        fi
        wrap=(unshare -m --propagation private)
    fi
    t0=$(e2e_now_s)
    timeout -k 10 "$CASE_TIMEOUT" "${wrap[@]}" bash "$0" --exe "$EXE" --tools "$TOOLS" --inner "$c"
    rc=$?
    t=$(printf '%.1f' "$(echo "$(e2e_now_s) - $t0" | bc)")
    if [ $rc = 0 ]; then
        results+=("PASS $c ($t s)")
    else
        [ $rc = 124 ] && echo "  FAILED: timed out after $CASE_TIMEOUT s"
        results+=("FAIL $c ($t s)")
        failed=1
    fi
done
echo "== summary"
printf '%s\n' "${results[@]}"
echo "total $(printf '%.1f' "$(echo "$(e2e_now_s) - $t_all" | bc)") s"
exit $failed
