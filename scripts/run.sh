#!/usr/bin/env bash
# Builds Korvanta.exe and runs it on Linux under Wine, driven by a virtual
# remote-control receiver, with a stand-in "TVTest Window" viewer in front
# that shows what reaches it.
#
#   scripts/run.sh [--mode 0|1|2] [--demo] [--xvfb]
#
# Type a button code in hexadecimal (e.g. 08, 0B, 1C, 24, 21) and Enter: the
# receiver sends a press and a release, and the lines below it are what the
# viewer received. "hold CODE N" holds a button for N reports. "q" quits.
# --demo runs a short scripted tour instead and exits.
#
# Korvanta runs until you quit: "q", Ctrl+C, closing the terminal, or its own
# menu's exit all end the run and everything it started (Wine, the X server
# it brought, the temporary prefix).
#
# Delivery mode (default 1, direct operation): 0 synthesised keystrokes,
# 1 "TVTest KeyHook" to the first viewer in the z-order, 2 to a viewer in the
# foreground only. With a DISPLAY the windows appear on it; without one (or
# with --xvfb) a private X server runs in the background. Everything started
# here is stopped on the way out.
set -u

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=1
demo=0
private_x=0
while [ $# -gt 0 ]; do
    case $1 in
        --mode) mode=${2:-}; shift 2 ;;
        --demo) demo=1; shift ;;
        --xvfb) private_x=1; shift ;;
        -h | --help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "usage: $0 [--mode 0|1|2] [--demo] [--xvfb]" >&2; exit 2 ;;
    esac
done
case $mode in 0 | 1 | 2) ;; *) echo "--mode takes 0, 1 or 2" >&2; exit 2 ;; esac

# ---------------------------------------------------------------------------
# Packages, executable, helpers

if [ -x "$repo/scripts/install-deps.sh" ]; then
    "$repo/scripts/install-deps.sh" || { echo "installing the packages failed" >&2; exit 1; }
else
    need=()
    for p in mingw-w64 wine64 wine64-tools libwine-dev xvfb xauth bc procps; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
    done
    if [ ${#need[@]} -gt 0 ]; then
        sudo=()
        [ "$(id -u)" -ne 0 ] && sudo=(sudo)
        "${sudo[@]}" apt-get update && "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y --no-install-recommends "${need[@]}" || exit 1
    fi
fi

# The programs of the run have no time limit: it lasts until the user ends it.
E2E_LIFETIME=0
# shellcheck source=../e2e/endtoend/lib.sh
source "$repo/e2e/endtoend/lib.sh"

echo "building Korvanta.exe ..."
mkdir -p "$repo/build-e2e"
build_log=$repo/build-e2e/run-build.log
"$repo/scripts/build-exe.sh" >"$build_log" 2>&1 || { cat "$build_log"; exit 1; }
exe=$repo/build-win64/Korvanta.exe
tools=$repo/build-e2e/tools
echo "building the virtual receiver and the stand-in viewer ..."
e2e_build_tools "$tools" || exit 1

# Use the user's display when there is one: the windows then show up there.
if [ -n "${DISPLAY:-}" ] && [ "$private_x" = 0 ]; then
    kv_xvfb_start() { KV_XVFB_PID=; export DISPLAY; }
fi

# ---------------------------------------------------------------------------
# Environment, stopped whatever happens

cleanup() {
    # nothing cuts the cleanup short
    trap '' INT TERM HUP USR1
    [ -n "${watcher:-}" ] && kill "$watcher" 2>/dev/null
    [ -n "${KV_RUN_DIR:-}" ] && echo "stopping ..."
    e2e_env_down 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# a closed terminal
trap 'exit 129' HUP
# A helper that has gone makes a write to its pipe fail, which the helpers'
# functions report; the signal would kill this script before its cleanup,
# leaving Wine and the temporary prefix behind.
trap '' PIPE

echo "starting Wine with the virtual receiver (the first run builds a prefix template, ~10 s) ..."
e2e_env_up "$tools" "$exe" 2>/dev/null || { echo "the environment did not come up" >&2; exit 1; }
# A private X server has no window manager: Wine draws the frames.
if [ -n "${KV_XVFB_PID:-}" ]; then e2e_desktop_look --frames; else e2e_desktop_look; fi ||
    { echo "the Japanese font could not be set up" >&2; exit 1; }
if [ "$demo" = 1 ]; then
    e2e_viewer B "TVH264 Window" --no-hook --title "second viewer (TVH264 Window)" || exit 1
fi
e2e_viewer A "TVTest Window" --channel visible --title "stand-in viewer (TVTest Window)" || exit 1
w foreground "$V_A" || exit 1
e2e_korvanta_start || { echo "Korvanta.exe did not start" >&2; exit 1; }
e2e_korvanta_cmd $((110 + mode)) || exit 1
echo "Korvanta.exe runs (window $K_HWND, mode $mode); viewer $V_A in front${V_B:+, a second viewer $V_B behind it}"

# Korvanta may end by its own menu's exit: the run ends with it. The watcher
# tells this shell, which may be waiting at the prompt.
korvanta_exited() {
    e2e_korvanta_wait_exit 5
    echo
    echo "Korvanta.exe has exited (exit code $K_EXIT)"
    # in the demo nothing asked it to
    exit "$demo"
}
trap korvanta_exited USR1
(
    while kill -0 "$K_PID" 2>/dev/null; do sleep 0.5; done
    kill -USR1 $$ 2>/dev/null
) </dev/null >/dev/null 2>&1 &
watcher=$!

# ---------------------------------------------------------------------------
# What reached the viewers, in words

describe() { # NAME MARK
    e2e_since "$E2E_RUN/$1.log" "$2" | awk -v who="$1" '
        function key(vk,   n) {
            n = strtonum_hex(vk)
            # decimal: mawk reads no hexadecimal constants
            if (n >= 124 && n <= 135) return "F" (n - 124 + 13)
            if (n == 13) return "Enter"; if (n == 37) return "Left"; if (n == 38) return "Up"
            if (n == 39) return "Right"; if (n == 40) return "Down"
            if (n == 16) return "Shift"; if (n == 17) return "Ctrl"
            return vk }
        function strtonum_hex(s,   i, c, v) {
            sub(/^0x/, "", s); v = 0
            for (i = 1; i <= length(s); i++) { c = index("0123456789abcdef", substr(tolower(s), i, 1)) - 1; v = v * 16 + c }
            return v }
        function field(name,   i, kv) { for (i = 3; i <= NF; i++) { split($i, kv, "="); if (kv[1] == name) return kv[2] } return "" }
        $2 == "keyhook" {
            l = strtonum_hex(field("l")); mods = ""
            if (int(l / 65536) % 2) mods = mods "Shift+"; if (int(l / 131072) % 2) mods = mods "Ctrl+"
            printf "  %s: \"TVTest KeyHook\" %s%s (wParam %s, lParam %s)\n", who, mods, key(field("w")), field("w"), field("l") }
        $2 == "keydown" || $2 == "keyup" {
            printf "  %s: %s %s %s to the %s window (Shift %s, Ctrl %s as the viewer saw them)\n", who,
                ($2 == "keydown" ? "WM_KEYDOWN" : "WM_KEYUP"), key(field("vk")),
                (field("src") == "posted" ? "posted" : "typed"),
                (field("win") == "channel" ? "channel display" : "main"),
                (field("shift") == 1 ? "down" : "up"), (field("ctrl") == 1 ? "down" : "up") }
        $2 == "activate" && field("wa") != 0 { printf "  %s: activated\n", who }'
}

press() { # CODE [COUNT]
    local code=$1 count=${2:-1} ma mb=0
    ma=$(e2e_mark "$E2E_RUN/A.log")
    [ -n "${V_B:-}" ] && mb=$(e2e_mark "$E2E_RUN/B.log")
    if [ "$count" = 1 ]; then
        feed tap "$code" 1 40 || return 1
    else
        feed press "$code" "$count" 40 && feed release || return 1
    fi
    sleep 0.3
    { describe A "$ma"; [ -n "${V_B:-}" ] && describe B "$mb"; } | grep . && return 0
    if kill -0 "$K_PID" 2>/dev/null; then echo "  (nothing reached a viewer)"; else echo "  (Korvanta.exe has exited)"; fi
}

if [ "$demo" = 1 ]; then
    step() { echo; echo "> $1"; press "$2" "${3:-1}"; }
    step "button 08: Shift+F13" 08
    step "button 0B: Shift+Ctrl+F21" 0B
    step "button 17: Ctrl+F13" 17
    step "button 08 held for 10 reports: fires on the 1st and the 7th to 10th" 08 10
    step "button 24: Shift+Up, a direction key, to the channel display" 24
    step "button 1C: plain Up" 1C
    step "button 21: bring the next viewer to the front" 21
    echo
    echo "demo done"
    exit 0
fi

echo
echo "type a button code in hex (08 Shift+F13, 0B Shift+Ctrl+F21, 1C Up, 24 Shift+Up, 21 next viewer),"
echo "\"hold CODE N\" to hold it for N reports, \"q\" to quit"
while IFS= read -r -p "code> " line; do
    set -- $line
    [ $# -eq 0 ] && continue
    case $1 in
        q | quit | exit) break ;;
        hold)
            if [[ ${2:-} =~ ^(0x)?[0-9a-fA-F]{1,2}$ ]] && [[ ${3:-} =~ ^[0-9]+$ ]]; then press "${2#0x}" "$3"
            else echo "hold CODE N, e.g. hold 08 10"; fi ;;
        *)
            if [[ $1 =~ ^(0x)?[0-9a-fA-F]{1,2}$ ]]; then press "${1#0x}"
            else echo "a button code in hex, e.g. 08; q quits"; fi ;;
    esac
done
