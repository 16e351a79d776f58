#!/usr/bin/env bash
# scripts/run.sh as a user runs it, with the Wine time limit of the tests set
# low (KV_TIMEOUT=20), in a shell with no locale, three times:
#
#   1. a code typed at once and one typed after the limit has passed both
#      reach the viewer; "q" ends the run;
#   2. Korvanta ended by its own menu's exit (WM_COMMAND 105): the run says
#      so and ends;
#   3. the terminal closing (SIGHUP) ends the run.
#
# After each, nothing the run started is left: no process of its prefix or X
# server, no folder. Each run has a scratch TMPDIR of its own, so that what it
# leaves is told apart from what other tests run beside it make.
#
#   e2e/runscript/run_script_test.sh
#
# Exit code 77 (skipped) when Wine, Xvfb or MinGW-w64 is missing.
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=SCRIPTDIR/../endtoend/lib.sh
source "$here/../endtoend/lib.sh"
# shellcheck source=SCRIPTDIR/../endtoend/checks.sh
source "$here/../endtoend/checks.sh"
repo=$E2E_REPO

e2e_have_prerequisites || end_missing "$E2E_MISSING"

LIMIT=20
scratch_root=$(mktemp -d "${TMPDIR:-/tmp}/korvanta-runscript.XXXXXX")
RUN_PID=
stop_run() {
    [ -n "$RUN_PID" ] && kill "$RUN_PID" 2>/dev/null && wait "$RUN_PID" 2>/dev/null
    RUN_PID=
    exec 7>&- 2>/dev/null
}
trap 'stop_run; rm -rf "$scratch_root"' EXIT

# start_run NAME: scripts/run.sh on a private X server, its input a pipe this
# script writes to (fd 7), its output in $OUT; returns once Korvanta runs.
start_run() {
    SCRATCH=$scratch_root/$1
    OUT=$scratch_root/$1.out
    mkdir -p "$SCRATCH/tmp"
    mkfifo "$SCRATCH/in"
    # no locale, as in a minimal root; the script sets what Wine needs
    env -u LANG -u LC_ALL -u LC_CTYPE -u LANGUAGE TMPDIR="$SCRATCH/tmp" KV_TIMEOUT=$LIMIT \
        bash "$repo/scripts/run.sh" --xvfb <"$SCRATCH/in" >"$OUT" 2>&1 &
    RUN_PID=$!
    exec 7>"$SCRATCH/in"
    e2e_wait_log "$OUT" '^Korvanta.exe runs' 1 240 || { cat "$OUT"; return 1; }
    T_RUNS=$(e2e_now_s)
    KORVANTA_HWND=$(sed -n 's/^Korvanta.exe runs (window \(0x[0-9a-f]*\).*/\1/p' "$OUT")
}

# end_of_run SECONDS: waits for run.sh to end; RUN_EXIT its exit code.
end_of_run() {
    local i
    for ((i = 0; i < $1 * 10; i++)); do
        if ! kill -0 "$RUN_PID" 2>/dev/null; then
            wait "$RUN_PID"
            RUN_EXIT=$?
            RUN_PID=
            exec 7>&-
            return 0
        fi
        sleep 0.1
    done
    RUN_EXIT=timeout
    return 1
}

# left_behind: what of the run is still there, in words; empty when nothing.
left_behind() {
    local p
    for p in /proc/[0-9]*; do
        if grep -qF "$SCRATCH" "$p/environ" 2>/dev/null || grep -qF "$SCRATCH" "$p/cmdline" 2>/dev/null; then
            echo "process ${p#/proc/} ($(cat "$p/comm" 2>/dev/null))"
        fi
    done
    find "$SCRATCH/tmp" -mindepth 1 \( -name 'kvrun.*' -o -name 'server-*' \) -printf 'folder %P\n' 2>/dev/null
}

type_code() { printf '%s\n' "$1" >&7; }

# Korvanta's menu command, posted by wctl inside the run's own prefix
post_command() {
    local run_dir
    run_dir=$(find "$SCRATCH/tmp" -maxdepth 1 -name 'kvrun.*' | head -n1)
    [ -n "$run_dir" ] || return 1
    # its TMPDIR too: Debian's Wine finds the server's socket under it
    env DISPLAY=":$(head -n1 "$run_dir/displayfd")" WINEPREFIX="$run_dir/prefix" WINESERVER="$KV_WINESERVER" \
        TMPDIR="$SCRATCH/tmp" WINEDEBUG=-all timeout 60 "$KV_WINE" "$repo/build-e2e/tools/wctl.exe" post "$KORVANTA_HWND" 0x111 "$1" 0 \
        >/dev/null 2>&1
}

case_codes_past_the_limit() {
    need start_run codes || return 1
    type_code 08
    check "a code typed at once reaches the viewer" e2e_wait_log "$OUT" 'A: "TVTest KeyHook" Shift\+F13' 1 30
    # past the limit the tests put on a Wine program
    local wait_s
    wait_s=$(echo "$T_RUNS + $LIMIT + 5 - $(e2e_now_s)" | bc)
    [[ $wait_s == -* ]] || sleep "$wait_s"
    type_code 08
    check "a code typed after $LIMIT s still reaches it: Korvanta runs on" \
        e2e_wait_log "$OUT" 'A: "TVTest KeyHook" Shift\+F13' 2 30
    check "...and nothing says it has gone" eq "$(grep -c 'nothing reached\|has exited' "$OUT")" 0
    type_code q
    check "q ends the run with exit code 0" end_of_run 60
    check "...exit code" eq "$RUN_EXIT" 0
    check "nothing is left behind" eq "$(left_behind)" ""
}

case_korvanta_exits_by_its_menu() {
    need start_run menu_exit || return 1
    need post_command 105 || return 1
    check "the run ends when Korvanta exits" end_of_run 60
    check "...saying so" grep -q '^Korvanta.exe has exited (exit code 0)' "$OUT"
    check "...exit code 0" eq "$RUN_EXIT" 0
    check "nothing is left behind" eq "$(left_behind)" ""
}

case_terminal_closes() {
    need start_run hangup || return 1
    kill -HUP "$RUN_PID"
    check "a closed terminal (SIGHUP) ends the run" end_of_run 60
    check "...exit code 129" eq "$RUN_EXIT" 129
    check "nothing is left behind" eq "$(left_behind)" ""
}

failed=0
for c in case_codes_past_the_limit case_korvanta_exits_by_its_menu case_terminal_closes; do
    echo "== ${c#case_}"
    FAILED=0
    "$c" || FAILED=1
    if [ "$FAILED" != 0 ]; then
        failed=1
        echo "  --- scripts/run.sh said ---"
        sed 's/^/    /' "$OUT" 2>/dev/null
        echo "  --- left behind ---"
        left_behind | sed 's/^/    /'
    fi
    stop_run
done
[ "$failed" = 0 ] && echo "PASS" || echo "FAIL"
exit "$failed"
