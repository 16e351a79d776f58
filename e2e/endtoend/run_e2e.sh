#!/usr/bin/env bash
# End-to-end tests of the unmodified Korvanta.exe under Wine: a virtual
# remote-control receiver pushes real HID reports, Korvanta turns them into
# keys, and stand-in viewer programs log what reaches them.
#
#   e2e/endtoend/run_e2e.sh [--arch x64|x86|both] [--exe PATH/Korvanta.exe]...
#                           [--tools DIR] [CASE...]
#   e2e/endtoend/run_e2e.sh --build-only [--arch ...] [--exe ...] [--tools DIR]
#   e2e/endtoend/run_e2e.sh --list
#
# Every case runs against the 64-bit (x64) or 32-bit (x86) Korvanta.exe, or
# both; the receiver, the stand-in viewers and wctl are 64-bit programs
# either way. --exe names an executable (its architecture is read from its
# header; give it twice for both); an architecture without one is built first
# with scripts/build-exe.sh into build-win64/ or build-win32/. Without --arch,
# the architectures of the --exe files, or x64. The helper programs (receiver
# kit, stand-in viewer, wctl) are built into --tools (default build-e2e/ in
# the repository) when their sources changed.
#
# Each case runs in a process of its own under `timeout`, with its own X
# server, a fresh Wine prefix copied from the cached template (under a
# second), its own copy of Korvanta.exe in an empty folder, and everything
# stopped again whether it passes or not. The cases live in cases_*.sh, one
# theme to a file, over the checks in checks.sh. Exit code 1 when a case
# fails, 77 (skipped) when no case could run (Wine, Xvfb or MinGW-w64
# missing, no 32-bit Wine for x86, or a case's own requirement unmet; a
# missing package fails instead under KORVANTA_STRICT=1), 0 otherwise; the
# summary says PASS, FAIL or SKIP for each case.
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
CASE_THEMES=(routes repeat settings lifecycle lockon faults faults_outside)
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

# run_case NAME: in this process, with cleanup on every way out. 0 passed,
# 77 skipped (the case called skip), 1 failed.
run_case() {
    local name=$1
    CASE_CLEANUP=
    SKIPPED=0
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
        for f in "$E2E_RUN"/*.log "$E2E_RUN"/korvanta.out "$E2E_APP"/Korvanta.log; do
            [ -f "$f" ] || continue
            echo "  [$(basename "$f")]"
            tail -n 60 "$f" | sed 's/^/    /'
        done
        w zorder >/dev/null && { echo "  [z-order]"; printf '    %s\n' "${E2E_REPLY[@]}"; }
        return 1
    fi
    [ "$SKIPPED" = 0 ] || return 77
    return 0
}

usage() {
    echo "usage: $0 [--arch x64|x86|both] [--exe PATH/Korvanta.exe]... [--tools DIR] [--build-only] [--list] [CASE...]" >&2
    exit 2
}

EXE=""
TOOLS=""
ARCH=""
arches=()
exes=()
inner=""
build_only=0
cases=()
while [ $# -gt 0 ]; do
    case $1 in
        --arch)
            case ${2:-} in
                x64 | x86) arches+=("$2") ;;
                both) arches+=(x64 x86) ;;
                *) usage ;;
            esac
            shift 2 ;;
        --exe) exes+=("${2:?}"); shift 2 ;;
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
    EXE=${exes[0]:?--inner needs --exe}
    ARCH=${arches[0]:-$(e2e_pe_arch "$EXE")}
    echo "== $inner ($ARCH)"
    run_case "$inner"
    exit $?
fi

e2e_exes_of ${exes[@]+"${exes[@]}"}
if [ ${#arches[@]} = 0 ]; then
    arches=(${EXE_ARCHES[@]+"${EXE_ARCHES[@]}"})
    [ ${#arches[@]} -gt 0 ] || arches=(x64)
fi
# each architecture once, in the order given
mapfile -t arches < <(printf '%s\n' "${arches[@]}" | awk '!seen[$0]++')

if ! e2e_have_prerequisites; then
    end_missing "$E2E_MISSING"
fi
[ ${#cases[@]} -gt 0 ] || cases=("${ALL_CASES[@]}")
for c in "${cases[@]}"; do
    declare -F "case_$c" >/dev/null || { echo "unknown case: $c (see --list)" >&2; exit 2; }
done

TOOLS=${TOOLS:-$E2E_REPO/build-e2e/tools}
e2e_build_tools "$TOOLS" || { echo "building the helper programs failed"; exit 1; }
TOOLS=$(cd "$TOOLS" && pwd)
e2e_exes_ready "$TOOLS" "${arches[@]}"
# the template is built once, outside the cases' time limits (under CTest by
# the setup test, --build-only)
kv_template "$TOOLS" >/dev/null || { echo "the Wine prefix template could not be made"; exit 1; }
[ "$build_only" = 1 ] && exit 0

results=()
failed=0
passed=0
t_all=$(e2e_now_s)
for a in "${arches[@]}"; do
    arch_missing=""
    e2e_have_prerequisites "$a" || arch_missing=$E2E_MISSING
    for c in "${cases[@]}"; do
        # a case may define prepare_<case>: run here, before the case's own
        # process, it may set CASE_WRAP (a command prefix for that process),
        # CASE_MISSING (a package the case needs and the machine lacks) or
        # CASE_SKIP (a limit of the machine that keeps the case from running)
        CASE_WRAP=()
        CASE_MISSING=$arch_missing
        CASE_SKIP=""
        if [ -z "$CASE_MISSING" ] && declare -F "prepare_$c" >/dev/null; then
            ARCH=$a "prepare_$c"
        fi
        if [ -n "$CASE_MISSING" ]; then
            echo "== $c ($a)"
            verdict=$(missing_verdict "$CASE_MISSING")
            rc=$?
            echo "  $verdict"
            if [ $rc = 77 ]; then
                results+=("SKIP $a $c (missing $CASE_MISSING)")
            else
                results+=("FAIL $a $c (missing $CASE_MISSING)")
                failed=1
            fi
            continue
        fi
        if [ -n "$CASE_SKIP" ]; then
            echo "== $c ($a)"
            echo "  SKIP: $CASE_SKIP"
            results+=("SKIP $a $c ($CASE_SKIP)")
            continue
        fi
        t0=$(e2e_now_s)
        timeout -k 10 "$CASE_TIMEOUT" ${CASE_WRAP[@]+"${CASE_WRAP[@]}"} \
            bash "$0" --arch "$a" --exe "${EXE_OF[$a]}" --tools "$TOOLS" --inner "$c"
        rc=$?
        t=$(printf '%.1f' "$(echo "$(e2e_now_s) - $t0" | bc)")
        case $rc in
            0) results+=("PASS $a $c ($t s)"); passed=$((passed + 1)) ;;
            77) results+=("SKIP $a $c ($t s)") ;;
            *)
                [ $rc = 124 ] && echo "  FAILED: timed out after $CASE_TIMEOUT s"
                results+=("FAIL $a $c ($t s)")
                failed=1 ;;
        esac
    done
done
echo "== summary"
printf '%s\n' "${results[@]}"
echo "total $(printf '%.1f' "$(echo "$(e2e_now_s) - $t_all" | bc)") s"
[ "$failed" = 0 ] || exit 1
# nothing failed and nothing ran: skipped, not passed
[ "$passed" -gt 0 ] || exit 77
exit 0
