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

ALL_CASES=(
    mode0_keys
    mode1_keys
    mode1_magic_blocks
    mode1_direction
    mode2_foreground_only
    direction_fullscreen_channel
    ignore_direction_flag
    repeat_held_button
    repeat_press_release
    foreign_device
    settings_saved_and_restored
    settings_hand_edited
    settings_nine_digits
    settings_readonly_folder
    first_start_and_exit
    single_instance
    end_session
    bring_to_front
    lockon_pick
    lockon_target_closed
)

CASE_TIMEOUT=${E2E_CASE_TIMEOUT:-180}

# ---------------------------------------------------------------------------
# Checks

FAILED=0

check() {
    local desc=$1
    shift
    if "$@"; then
        echo "  ok: $desc"
    else
        echo "  FAILED: $desc"
        FAILED=1
    fi
}

# eq ACTUAL EXPECTED: equality that says what differed
eq() {
    [ "$1" = "$2" ] && return 0
    echo "    got:      '$1'"
    echo "    expected: '$2'"
    return 1
}

ge() {
    [ "$1" -ge "$2" ] 2>/dev/null && return 0
    echo "    got $1, expected at least $2"
    return 1
}

info() { echo "  info: $*"; }

# setup steps: a failure there ends the case
need() {
    if ! "$@"; then
        echo "  FAILED (setup): $*"
        FAILED=1
        return 1
    fi
}

log_of() { echo "$E2E_RUN/$1.log"; }

# wait_for NAME MARK ERE [COUNT] [SECONDS]: waits for COUNT matching lines
# after MARK in viewer NAME's log.
wait_for() {
    local file i
    file=$(log_of "$1")
    for ((i = 0; i < ${5:-10} * 50; i++)); do
        [ "$(e2e_count "$file" "$3" "$2")" -ge "${4:-1}" ] && return 0
        sleep 0.02
    done
    return 1
}

count() { e2e_count "$(log_of "$1")" "$3" "$2"; }
mark() { e2e_mark "$(log_of "$1")"; }

# keyhooks NAME MARK: "w/l" pairs of the "TVTest KeyHook" messages after MARK
keyhooks() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 == "keyhook" {
        w = $4; l = $5; sub("w=", "", w); sub("l=", "", l); printf "%s%s/%s", (n++ ? " " : ""), w, l }
        END { print "" }'
}

# keys NAME MARK: key messages after MARK as "down:win:vk:src:shift:ctrl"
keys() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 ~ /key(down|up)$/ {
        split($0, f, " "); for (i in f) { split(f[i], kv, "="); v[kv[1]] = kv[2] }
        printf "%s%s:%s:%s:%s:%s:%s", (n++ ? " " : ""), $2, v["win"], v["vk"], v["src"], v["shift"], v["ctrl"] }
        END { print "" }'
}

# ll NAME MARK: low-level hook events after MARK, "10+" for VK_SHIFT down, "11-" for VK_CONTROL up
ll() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 == "ll" {
        vk = $4; sub("vk=0x", "", vk); printf "%s%s%s", (n++ ? " " : ""), vk, ($3 == "down" ? "+" : "-") }
        END { print "" }'
}

# nothing_reached NAME MARK: no key, no "TVTest KeyHook" after MARK
nothing_reached() {
    local n
    n=$(e2e_since "$(log_of "$1")" "$2" | grep -cE ' (keyhook|keydown|keyup|syskeydown|syskeyup) ')
    [ "$n" = 0 ] && return 0
    echo "    $1 received:"
    e2e_since "$(log_of "$1")" "$2" | grep -E ' (keyhook|keydown|keyup|syskeydown|syskeyup) ' | sed 's/^/      /'
    return 1
}

# Korvanta handles a report within a millisecond or two; this is how long a
# test waits before it takes "nothing arrived" for an answer. A later positive
# check (a sentinel press that must arrive) proves the pipeline was alive.
quiet() { sleep "${E2E_QUIET:-0.5}"; }

tap() { feed tap "$1" 1 20; }

fg_is() {
    w fg || return 1
    [ "${E2E_REPLY[0]%% *}" = "$1" ] && return 0
    echo "    foreground is ${E2E_REPLY[0]}, expected $1"
    return 1
}

# zorder_is HWND...: the given windows appear in this order from the top
zorder_is() {
    local order
    w zorder || return 1
    order=$(printf '%s\n' "${E2E_REPLY[@]}" | awk '{print $1}' | grep -xF -f <(printf '%s\n' "$@") | tr '\n' ' ')
    [ "${order% }" = "$*" ] && return 0
    echo "    z-order:"
    printf '      %s\n' "${E2E_REPLY[@]}"
    echo "    expected from the top: $*"
    return 1
}

ini_text() { tr -d '\r' <"$E2E_APP/Korvanta.ini" 2>/dev/null; }

write_ini() { printf '%s\r\n' "$@" >"$E2E_APP/Korvanta.ini"; }

exit_korvanta() {
    e2e_korvanta_cmd 105 || return 1
    e2e_korvanta_wait_exit 20
    eq "$K_EXIT" 0
}

# direction_events SOURCES: "label sender_ms receipt_us" for each modifier
# event and posted key, in the order received; SOURCES is "NAME:MARK", or
# several joined by commas when the events land in several viewers' logs.
# Labels like those of ll(), the posted key as "post".
direction_events() {
    local source
    for source in ${1//,/ }; do
        e2e_since "$(log_of "${source%%:*}")" "${source##*:}"
    done | sort -s -n -k1,1 | awk '
        $2 == "ll" { vk = $4; sub("vk=0x", "", vk); t = $7; sub("time=", "", t)
                     print vk ($3 == "down" ? "+" : "-"), t, $1 }
        $2 == "keydown" && / src=posted / { t = $NF; sub("mtime=", "", t); print "post", t, $1 }'
}

# check_direction SOURCES WHAT EXPECTED MIN_MS...: the modifier events and
# the posted key in SOURCES (see direction_events) are EXPECTED (e.g.
# "11- 10+ post 10-"), in this order on both clocks, and the gaps between
# neighbours on the sender's clock are at least the MIN_MS given for each
# gap. One line with the measured gaps.
check_direction() {
    local sources=$1 what=$2 expected=$3 labels=() ms=() us=() label t u i gap_ms gap_us
    local sender="" receipt="" minima="" problems=""
    shift 3
    while read -r label t u; do
        labels+=("$label"); ms+=("$t"); us+=("$u")
    done < <(direction_events "$sources")
    if [ "${labels[*]:-}" != "$expected" ]; then
        echo "  FAILED: $what: events '${labels[*]:-}', expected '$expected'"
        FAILED=1
        return 1
    fi
    for ((i = 1; i < ${#labels[@]}; i++)); do
        gap_ms=$((ms[i] - ms[i - 1]))
        gap_us=$((us[i] - us[i - 1]))
        sender+=" $gap_ms"
        receipt+=" $((gap_us / 1000)).$((gap_us % 1000 / 100))"
        minima+=" $1"
        [ "$gap_ms" -ge "$1" ] || problems+=" ${labels[i - 1]} to ${labels[i]} only $gap_ms ms;"
        [ "$gap_us" -ge 0 ] || problems+=" ${labels[i]} received before ${labels[i - 1]};"
        shift
    done
    if [ -n "$problems" ]; then
        echo "  FAILED: $what: $expected:$problems"
        FAILED=1
        return 1
    fi
    echo "  ok: $what: $expected, pauses at least${minima} ms (sender clock${sender} ms; receipt${receipt} ms)"
}

# ---------------------------------------------------------------------------
# Cases. Each starts in a fresh environment ($E2E_APP holds the executable
# alone) and returns non-zero only for a setup failure; checks set FAILED.

# Mode 0: every chord is synthesised with SendInput and reaches whichever
# window has the keyboard focus; nothing is posted.
case_mode0_keys() {
    need e2e_viewer B "TVTest Window" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    # no settings file: mode 0
    local m mb
    m=$(mark A); mb=$(mark B)
    need tap 0B || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    check "Shift+Ctrl+F21 (0x0B): Shift, Ctrl, F21 down, then F21, Ctrl, Shift up" eq "$(ll A "$m")" "10+ 11+ 84+ 84- 11- 10-"
    check "all six injected" eq "$(e2e_since "$(log_of A)" "$m" | grep -c ' ll .* inj=1 ')" 6
    check "scan codes from the keyboard layout (Shift 0x2a, Ctrl 0x1d)" \
        eq "$(e2e_since "$(log_of A)" "$m" | awk '$2 == "ll" && ($4 == "vk=0x10" || $4 == "vk=0x11") {print $4, $5}' | sort -u | tr '\n' ' ')" \
        "vk=0x10 scan=0x2a vk=0x11 scan=0x1d "
    check "focused viewer gets F21 through the input stream with Shift and Ctrl down" \
        eq "$(keys A "$m" | tr ' ' '\n' | grep ':0x84:' | tr '\n' ' ')" "keydown:main:0x84:input:1:1 keyup:main:0x84:input:1:1 "
    check "no TVTest KeyHook in mode 0" eq "$(keyhooks A "$m")" ""

    m=$(mark A)
    need tap 1C || return 1
    need wait_for A "$m" 'll up vk=0x26' || return 1
    check "plain Up (0x1C) synthesised like any key" eq "$(ll A "$m")" "26+ 26-"
    check "Up reaches the focused main window, not the channel display" eq "$(keys A "$m")" "keydown:main:0x26:input:0:0 keyup:main:0x26:input:0:0"
    check "Up not marked as an extended key" eq "$(e2e_since "$(log_of A)" "$m" | grep -c ' ll .*vk=0x26 .*flags=0x[0-9a-f]*[13579bdf] ')" 0

    m=$(mark A)
    need tap 24 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    check "Shift+Up (0x24): Shift down, Up down, Up up, Shift up" eq "$(ll A "$m")" "10+ 26+ 26- 10-"
    check "focused window sees Up with Shift" eq "$(keys A "$m" | tr ' ' '\n' | grep ':0x26:' | tr '\n' ' ')" "keydown:main:0x26:input:1:0 keyup:main:0x26:input:1:0 "
    quiet
    check "viewer without focus got nothing" nothing_reached B "$mb"
}

# Mode 1: "TVTest KeyHook" goes to the first viewer at or below the
# foreground window in the z-order, never to one above it.
case_mode1_keys() {
    need e2e_viewer B "TVH264 Window" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need e2e_viewer T "TVTest Window" --topmost --no-hook || return 1
    need e2e_viewer O "Notepad" --no-hook || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_T" "$V_O" "$V_A" "$V_B" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m mb mt mo
    m=$(mark A); mb=$(mark B); mt=$(mark T); mo=$(mark O)
    need tap 08 && need tap 17 && need tap 0B && need tap 2E || return 1
    need wait_for A "$m" ' keyhook ' 4 || return 1
    check "Shift+F13, Ctrl+F13, Shift+Ctrl+F21, Ctrl+F24 as wParam/lParam" \
        eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7c/0x20001 0x84/0x30001 0x87/0x20001"
    check "sent to the top-level viewer window" eq "$(e2e_since "$(log_of A)" "$m" | grep ' keyhook ' | grep -vc "hwnd=$V_A ")" 0
    check "ordinary keys in mode 1 synthesise no key events" eq "$(ll A "$m")" ""
    quiet
    check "the viewer below the first one got nothing" nothing_reached B "$mb"
    check "the topmost viewer above the foreground got nothing" nothing_reached T "$mt"
    check "the foreground program got nothing" nothing_reached O "$mo"

    # the foreground window itself, when it is a viewer, is the first one
    need w foreground "$V_B" || return 1
    m=$(mark A); mb=$(mark B)
    need tap 08 || return 1
    need wait_for B "$mb" ' keyhook ' || return 1
    check "a viewer in the foreground is the first viewer" eq "$(keyhooks B "$mb")" "0x7c/0x10001"
    check "nothing for the viewer below it" eq "$(keyhooks A "$m")" ""
}

# Mode 1: an mAgicTV window met before any viewer ends the search.
case_mode1_magic_blocks() {
    need e2e_viewer A "TVTest Window" --no-hook || return 1
    need e2e_viewer M "mAgicTVWindow" --no-hook || return 1
    need e2e_viewer O "Notepad" --no-hook || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_M" "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m mm
    m=$(mark A); mm=$(mark M)
    need tap 08 || return 1
    quiet
    check "mAgicTVWindow between foreground and viewer: the viewer gets nothing" nothing_reached A "$m"
    check "the mAgicTV window gets nothing" nothing_reached M "$mm"

    need w foreground "$V_M" || return 1
    need tap 08 || return 1
    quiet
    check "mAgicTVWindow in the foreground: nothing" nothing_reached A "$m"
    check "...and nothing for the mAgicTV window itself" nothing_reached M "$mm"

    # sentinel: with the mAgicTV window at the bottom the same press arrives,
    # exactly once
    need w foreground "$V_O" && need w bottom "$V_M" || return 1
    need zorder_is "$V_O" "$V_A" "$V_M" || return 1
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    quiet
    check "with the mAgicTV window below it, the viewer gets exactly this press" eq "$(keyhooks A "$m")" "0x7c/0x10001"
}

# Modes 1 and 2: a direction key is posted as WM_KEYDOWN to the visible
# channel display, with Shift and Ctrl set by key events around it.
case_mode1_direction() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need e2e_viewer O "Notepad" --no-hook || return 1
    need w foreground "$V_O" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m mo i seen=0 aseen=0 n=5
    mo=$(mark O)

    m=$(mark A)
    need tap 1C || return 1
    need wait_for A "$m" ' keydown win=channel ' || return 1
    quiet
    check "plain Up (0x1C) posted to the channel display, lParam 0" \
        eq "$(e2e_since "$(log_of A)" "$m" | grep ' keydown win=channel ' | awk '{print $4, $5, $6}')" "vk=0x26 l=0x0 src=posted"
    check_direction "A:$m" "plain Up" "11- 10- post" 8 8

    for ((i = 0; i < n; i++)); do
        m=$(mark A)
        need tap 24 || return 1
        need wait_for A "$m" 'll up vk=0x10' || return 1
        check_direction "A:$m" "Shift+Up, press $((i + 1)) of $n" "11- 10+ post 10-" 8 8 8
        check "posted to the channel display" eq "$(keys A "$m" | tr ' ' '\n' | grep ':channel:' | cut -d: -f1-4)" "keydown:channel:0x26:posted"
        e2e_since "$(log_of A)" "$m" | grep -q ' keydown win=channel .* shift=1 ' && seen=$((seen + 1))
        e2e_since "$(log_of A)" "$m" | grep -q ' keydown win=channel .* ashift=1 ' && aseen=$((aseen + 1))
    done
    info "the viewer's GetKeyState(VK_SHIFT) was down at the posted Up in $seen of $n presses, GetAsyncKeyState in $aseen of $n (Wine's timing; not asserted)"

    m=$(mark A)
    need tap 26 || return 1
    need wait_for A "$m" 'll up vk=0x11' || return 1
    check_direction "A:$m" "Ctrl+Up" "11+ 10- post 11-" 8 8 16

    check "the direction key itself never went through the input stream" eq "$(grep -c ' ll .*vk=0x26 ' "$(log_of A)")" 0
    check "no WM_KEYUP follows a posted key" eq "$(grep -c ' keyup win=channel ' "$(log_of A)")" 0
    check "the foreground program saw modifiers only, no Up" eq "$(grep -c ' keydown .*vk=0x26 ' "$(log_of O)")" 0

    # a hidden channel display does not count: the key goes to the viewer
    need e2e_viewer H "TVTest Window" --channel hidden --no-hook || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_H" "$V_A" || return 1
    local mh
    mh=$(mark H); m=$(mark A)
    need tap 24 || return 1
    need wait_for H "$mh" ' keydown ' || return 1
    check "hidden channel display: Shift+Up posted to the viewer window itself" \
        eq "$(keys H "$mh" | cut -d: -f1-4)" "keydown:main:0x26:posted"
    quiet
    check "the viewer below got nothing" eq "$(keys A "$m" | tr ' ' '\n' | grep -c ':0x26:')" 0
}

# Mode 2: only a viewer in the foreground is served.
case_mode2_foreground_only() {
    need e2e_viewer B "TVH264 Window" --no-hook || return 1
    need e2e_viewer F "TVTest Fullscreen" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 112 || return 1
    local m mb mf
    m=$(mark A); mb=$(mark B); mf=$(mark F)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "foreground viewer gets Shift+F13" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    m=$(mark A)
    need tap 24 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    check_direction "A:$m" "mode 2, Shift+Up" "11- 10+ post 10-" 8 8 8
    check "direction key to the foreground viewer's channel display" \
        eq "$(keys A "$m" | tr ' ' '\n' | grep ':channel:' | cut -d: -f1-4)" "keydown:channel:0x26:posted"

    need w foreground "$V_F" || return 1
    m=$(mark A)
    need tap 08 || return 1
    quiet
    check "TVTest Fullscreen in the foreground: it gets nothing" nothing_reached F "$mf"
    check "...and neither does the viewer behind it" nothing_reached A "$m"

    need w foreground "$V_B" || return 1
    need tap 17 || return 1
    need wait_for B "$mb" ' keyhook ' || return 1
    quiet
    check "TVH264 Window in the foreground gets Ctrl+F13" eq "$(keyhooks B "$mb")" "0x7c/0x20001"
    check "the others still got nothing" eq "$(keyhooks A "$m")/$(keyhooks F "$mf")" "/"

    # a viewer's own pop-up (a dialog it owns) in front: the search climbs
    # from the pop-up to its owner, and the message goes to the viewer
    need e2e_viewer D "Viewer dialog" --no-hook --owner-of "$V_A" || return 1
    need w foreground "$V_D" || return 1
    local md
    m=$(mark A); md=$(mark D)
    need tap 0B || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "owned pop-up of the viewer in front: the viewer gets Shift+Ctrl+F21" \
        eq "$(e2e_since "$(log_of A)" "$m" | awk '$2 == "keyhook" {print $3, $4, $5}')" "hwnd=$V_A w=0x84 l=0x30001"
    check "the pop-up itself gets nothing" nothing_reached D "$md"
}

# Direction keys: with no channel display inside the viewer, the first
# "TVTest Fullscreen" window's channel display takes them, whichever program
# owns it, and only when it is visible.
case_direction_fullscreen_channel() {
    need e2e_viewer F "TVTest Fullscreen" --channel visible --no-hook || return 1
    need e2e_viewer A "TVTest Window" || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 112 || return 1
    local m mf
    m=$(mark A); mf=$(mark F)
    need tap 27 || return 1
    need wait_for F "$mf" ' keydown win=channel ' || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    # the modifier events land in A's log (its hook), the posted key in F's
    check_direction "A:$m,F:$mf" "Shift+Down via the full-screen window's channel display" "11- 10+ post 10-" 8 8 8
    check "Shift+Down (0x27) posted to the other program's full-screen channel display" \
        eq "$(keys F "$mf" | cut -d: -f1-4)" "keydown:channel:0x28:posted"
    check "modifier events around it" eq "$(ll A "$m")" "11- 10+ 10-"
    check "the viewer's own window got no posted key" eq "$(e2e_since "$(log_of A)" "$m" | grep -c ' src=posted ')" 0

    # the same with the full-screen window's channel display hidden: back to the viewer
    need w close "$V_F" || return 1
    need w wait-gone "$V_F" || return 1
    need e2e_viewer G "TVTest Fullscreen" --channel hidden --no-hook || return 1
    need w foreground "$V_A" || return 1
    m=$(mark A)
    need tap 29 || return 1
    need wait_for A "$m" ' src=posted ' || return 1
    check "hidden: Ctrl+Down (0x29) posted to the viewer window" \
        eq "$(keys A "$m" | tr ' ' '\n' | grep ':posted:' | cut -d: -f1-4)" "keydown:main:0x28:posted"
    check "nothing for the full-screen window" nothing_reached G 0
}

# Command 113: plain direction buttons are dropped in every mode, a direction
# button with a modifier passes.
case_ignore_direction_flag() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need e2e_viewer O "Notepad" --no-hook || return 1
    need w foreground "$V_O" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 && need e2e_korvanta_cmd 113 || return 1
    local m code
    m=$(mark A)
    for code in 1C 1E 1F 20 22 24; do need tap $code || return 1; done
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "mode 1: Up, Left, Enter, Right, Down dropped, Shift+Up passes" \
        eq "$(keys A "$m" | cut -d: -f1-4)" "keydown:channel:0x26:posted"
    check "mode 1: no modifier events for the dropped keys" eq "$(ll A "$m")" "11- 10+ 10-"

    need e2e_korvanta_cmd 110 || return 1
    m=$(mark A)
    for code in 1C 22 27; do need tap $code || return 1; done
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "mode 0: Up and Down dropped, Shift+Down synthesised" eq "$(ll A "$m")" "10+ 28+ 28- 10-"

    need e2e_korvanta_cmd 113 || return 1
    m=$(mark A)
    need tap 1C || return 1
    need wait_for A "$m" 'll up vk=0x26' || return 1
    check "flag off again: plain Up synthesised" eq "$(ll A "$m")" "26+ 26-"
}

# A held button: the receiver repeats the report; the first one fires, the
# next five are swallowed, every later one fires.
case_repeat_held_button() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m t7 before after
    m=$(mark A)
    need feed press 08 1 0 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    need feed press 08 5 30 || return 1         # reports 2 to 6
    quiet
    need w now || return 1
    t7=${E2E_REPLY[0]}
    need feed press 08 4 30 || return 1         # reports 7 to 10
    wait_for A "$m" ' keyhook ' 5
    quiet
    need feed release || return 1
    before=$(e2e_since "$(log_of A)" "$m" | awk -v t="$t7" '$2 == "keyhook" && $1 < t' | wc -l)
    after=$(e2e_since "$(log_of A)" "$m" | awk -v t="$t7" '$2 == "keyhook" && $1 > t' | wc -l)
    check "10 identical reports: 5 deliveries" eq "$(count A "$m" ' keyhook ')" 5
    check "reports 1 to 6: one delivery (the first report)" eq "$before" 1
    check "reports 7 to 10: one delivery each" eq "$after" 4
    check "each one Shift+F13" eq "$(keyhooks A "$m" | tr ' ' '\n' | sort -u)" "0x7c/0x10001"
}

# A release report ends a press; a new code starts a new press at once.
case_repeat_press_release() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m step
    m=$(mark A)
    for step in "press 08" release "press 08" release; do need feed $step || return 1; done
    need wait_for A "$m" ' keyhook ' 2 || return 1
    quiet
    check "press, release, press: fires twice" eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7c/0x10001"
    m=$(mark A)
    for step in "press 08" "press 0A" "press 08" "press 08" release; do need feed $step || return 1; done
    need wait_for A "$m" ' keyhook ' 3 || return 1
    quiet
    check "08, 0A, 08, 08 without releases: the changes fire, the repeat does not" \
        eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7e/0x10001 0x7c/0x10001"
}

# The second consumer-control device (a keyboard's media keys) never acts and
# does not disturb the repeat filter.
case_foreign_device() {
    need e2e_viewer A "TVTest Window" --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m step
    m=$(mark A)
    for step in "foreign 08 10 10" frelease "ftap 0A 3 20" "ftap 24 1 20"; do need feed $step || return 1; done
    # press 08 fires; the foreign release must not end it, so the second
    # 08 is a repeat; the receiver's own release does end it
    for step in "press 08" frelease "press 08" release "press 0A" release; do need feed $step || return 1; done
    need wait_for A "$m" ' keyhook ' 2 || return 1
    quiet
    check "only the receiver's presses act: 08 once (its repeat swallowed), then 0A" \
        eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7e/0x10001"
    check "no key events from the foreign device's codes" eq "$(ll A "$m")$(keys A "$m")" ""
}

# probe_mode2_flag_on: in the running Korvanta, chords go by mode 2 with plain
# direction buttons dropped. Needs viewers A (with channel display and hook)
# and F ("TVTest Fullscreen").
probe_mode2_flag_on() {
    local m mf
    need w foreground "$V_F" || return 1
    m=$(mark A); mf=$(mark F)
    need tap 08 || return 1
    quiet
    check "TVTest Fullscreen in the foreground gets nothing (mode 2, not 0 or 1)" nothing_reached F "$mf"
    check "the viewer behind it gets nothing" nothing_reached A "$m"
    need w foreground "$V_A" || return 1
    m=$(mark A)
    need tap 1C && need tap 08 && need tap 24 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "foreground viewer: KeyHook (mode 2)" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    check "plain Up dropped, Shift+Up posted (flag on)" eq "$(keys A "$m" | tr ' ' '\n' | grep ':channel:' | cut -d: -f1-4)" "keydown:channel:0x26:posted"
    check "modifier events for Shift+Up only" eq "$(ll A "$m")" "11- 10+ 10-"
}

# The choices made from the menu are saved at exit and govern the next run.
case_settings_saved_and_restored() {
    need e2e_viewer F "TVTest Fullscreen" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 112 && need e2e_korvanta_cmd 113 || return 1
    check "exit code 0" exit_korvanta
    check "settings file beside the executable" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000002\nIgnoreCursor=00000001'
    need e2e_korvanta_start || return 1
    probe_mode2_flag_on
    check "second run exits with 0" exit_korvanta
    check "settings unchanged" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000002\nIgnoreCursor=00000001'
}

# A file edited by hand: "2 ; comment" reads as 2, "0000000a" as 10 (on).
case_settings_hand_edited() {
    need e2e_viewer F "TVTest Fullscreen" --no-hook || return 1
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    write_ini "[Korvanta]" "TVTC_MODE=2 ; comment" "IgnoreCursor=0000000a"
    need e2e_korvanta_start || return 1
    probe_mode2_flag_on
    check "exit code 0" exit_korvanta
    check "values written back in canonical form, the flag kept as 10" \
        eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000002\nIgnoreCursor=0000000A'
}

# Nine digits read as their last eight, 0x23456789: not a mode, so mode 0 stays.
case_settings_nine_digits() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=123456789" "IgnoreCursor=00000000"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "mode 0: Shift+F13 synthesised" eq "$(ll A "$m")" "10+ 7c+ 7c- 10-"
    check "no KeyHook" eq "$(keyhooks A "$m")" ""
    check "exit code 0" exit_korvanta
    check "mode written back as 0" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000000\nIgnoreCursor=00000000'
}

# A folder that cannot be written: the choice is lost, silently.
case_settings_readonly_folder() {
    # root may write anywhere, so the folder is made read-only by a read-only
    # bind mount; this case runs in a private mount namespace (see run_case)
    need mount --bind "$E2E_APP" "$E2E_APP" || return 1
    CASE_CLEANUP="umount '$E2E_APP'"
    need mount -o remount,bind,ro "$E2E_APP" || return 1
    if touch "$E2E_APP/probe" 2>/dev/null; then
        echo "  FAILED (setup): the folder is still writable"
        FAILED=1
        return 1
    fi
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "runs and delivers by the chosen mode" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    check "exit code 0 although the settings cannot be saved" exit_korvanta
    check "no settings file" eq "$(ls -A "$E2E_APP")" "Korvanta.exe"
    need e2e_korvanta_start || return 1
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" 'll up vk=0x10' || return 1
    quiet
    check "next run: the choice is gone, mode 0" eq "$(ll A "$m")/$(keyhooks A "$m")" "10+ 7c+ 7c- 10-/"
    check "exit code 0 again" exit_korvanta
}

case_first_start_and_exit() {
    need e2e_korvanta_start || return 1
    check "no settings file while running" eq "$(ls -A "$E2E_APP")" "Korvanta.exe"
    check "exit command (105): exit code 0" exit_korvanta
    check "settings file written with both values 0" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000000\nIgnoreCursor=00000000'
    w find KORVANTA >/dev/null 2>&1
    check "window gone" eq "${E2E_REPLY[*]}" "error: none"
}

case_single_instance() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local rc t0 t
    t0=$(e2e_now_s)
    kv_wine "$E2E_APP/Korvanta.exe" </dev/null >>"$E2E_RUN/korvanta.out" 2>&1
    rc=$?
    t=$(echo "$(e2e_now_s) - $t0" | bc)
    check "second instance exits with 0" eq "$rc" 0
    info "second instance ended after $t s"
    need w find KORVANTA || return 1
    check "still one KORVANTA window, the first one's" eq "${E2E_REPLY[*]}" "$K_HWND"
    local m
    m=$(mark A)
    need tap 08 || return 1
    check "the first instance still delivers" wait_for A "$m" ' keyhook '
    check "the first instance exits with 0" exit_korvanta
}

# WM_ENDSESSION ends the program and saves, whatever its wParam says.
case_end_session() {
    local wp mode
    for wp in 0 1; do
        mode=$((wp + 1))
        need e2e_korvanta_start || return 1
        need e2e_korvanta_cmd $((110 + mode)) || return 1
        need w post "$K_HWND" 0x16 "$wp" 0 || return 1
        e2e_korvanta_wait_exit 20
        check "WM_ENDSESSION wParam $wp: process ends with exit code 0" eq "$K_EXIT" 0
        check "WM_ENDSESSION wParam $wp: settings saved" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=0000000'"$mode"$'\nIgnoreCursor=00000000'
    done
}

# Button 0x21 activates the next viewer process in the order of process ids,
# wrapping around; the current viewer is the first one at or below the
# foreground window.
#
# Wine does not leave the activated window in the foreground here: Korvanta
# joins the target's input to the foreground thread's, activates, and detaches
# again at once, and under Wine the foreground stays with the old input. So the
# evidence is the activation the chosen viewer receives (WM_ACTIVATE), and the
# test itself puts that viewer in front before the next press, as a desktop
# where the activation holds would.
case_bring_to_front() {
    need e2e_viewer X "TVTest Window" --no-hook || return 1
    need e2e_viewer Y "TVTest Window" --no-hook || return 1
    need e2e_viewer Z "TVTest Window" --no-hook || return 1
    need e2e_viewer O "Notepad" --no-hook || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_Z" "$V_Y" "$V_X" || return 1
    need e2e_korvanta_start || return 1
    # expected order: by process id, from the current viewer to the next
    # higher id, from the highest back to the lowest
    local order current next i m
    order=$(printf '%s %s\n' "$P_X" X "$P_Y" Y "$P_Z" Z | sort -n | awk '{print $2}' | tr '\n' ' ')
    info "viewers by process id: $order(X=$P_X Y=$P_Y Z=$P_Z)"
    successor() { local o=($order) k; for k in 0 1 2; do [ "${o[k]}" = "$1" ] && { echo "${o[(k + 1) % 3]}"; return; }; done; }
    # the first viewer below the foreground program is Z
    current=Z
    for i in 1 2 3 4; do
        next=$(successor "$current")
        local -n hwnd_next=V_$next
        m=$(mark "$next")
        need tap 21 || return 1
        check "press $i: 0x21 from $current activates $next" wait_for "$next" "$m" ' activate wa=[12] '
        w fg >/dev/null && info "foreground after press $i: ${E2E_REPLY[0]}"
        need w foreground "$hwnd_next" || return 1
        unset -n hwnd_next
        current=$next
    done
    check "no viewer got a key" eq "$(keyhooks X 0)$(keyhooks Y 0)$(keyhooks Z 0)$(keys X 0)$(keys Y 0)$(keys Z 0)" ""
}

# picture_of NAME: the picture child of a viewer started with --picture
picture_of() { sed -n 's/.* start .* picture=\(0x[0-9a-f]*\).*/\1/p' "$(log_of "$1")" | head -n1; }

# buttons NAME MARK: left-button messages after MARK, "down:picture up:picture"
buttons() {
    e2e_since "$(log_of "$1")" "$2" | awk '$2 ~ /^lbutton(down|up)$/ {
        w = $3; sub("win=", "", w); b = $2; sub("lbutton", "", b); printf "%s%s:%s", (n++ ? " " : ""), b, w }
        END { print "" }'
}

# arrives WHAT NAME MARK ERE: waits for a matching line in viewer NAME's log;
# a failure says what should have arrived, and ends the case.
arrives() {
    wait_for "$2" "$3" "$4" && return 0
    echo "  FAILED: $1: no '$4' in $2's log"
    FAILED=1
    return 1
}

# start_capture: command 114 as the menu gives it, but sent rather than
# posted. The mouse hook must be in place before the test clicks, and the
# click reaches Korvanta through the hook, not through its queue, so a posted
# command could still be waiting there when the press is offered to the
# hooks. A sent command has been handled when the send returns.
start_capture() { w send "$K_HWND" 0x111 114 0 >/dev/null; }

# click_on NAME HWND: clicks the centre of HWND's client area and waits until
# the release has reached viewer NAME, which logs it. Checks that the point
# lay on HWND. The release follows the press through the same queue, so once
# it is there a press that got through would be there too.
click_on() {
    local name=$1 hwnd=$2 m
    m=$(mark "$name")
    w click-window "$hwnd" || return 1
    info "click at ${E2E_REPLY[0]}"
    set -- ${E2E_REPLY[0]}
    [ "$3" = "$hwnd" ] || { echo "    the point lay on $3 $4, not on $hwnd"; return 1; }
    wait_for "$name" "$m" ' lbuttonup ' || { echo "    the release never reached $name"; return 1; }
}

# Lock-on: command 114, then a left click on the picture (a child window) of
# a viewer that mode 1 would not choose. Korvanta's low-level mouse hook
# swallows the press and locks on that viewer: ordinary and direction keys go
# to it whatever the z-order, nothing goes anywhere while an mAgicTV window is
# in the foreground, and command 114 again gives delivery back to the mode.
case_lockon_pick() {
    # side by side, so that the click point lies on L alone: the mode's
    # choice A must not cover it
    need e2e_viewer L "TVTest Window" --channel visible --picture --pos 520 60 || return 1
    need e2e_viewer A "TVTest Window" --channel visible --no-hook || return 1
    need e2e_viewer O "Notepad" --no-hook --pos 60 400 || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_A" "$V_L" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m ml mo pic
    pic=$(picture_of L)

    # mode 1 on its own chooses A, the first viewer below the foreground
    m=$(mark A); ml=$(mark L)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "before lock-on: mode 1 sends Shift+F13 to A" eq "$(keyhooks A "$m")" "0x7c/0x10001"

    need start_capture || return 1
    ml=$(mark L); mo=$(mark O)
    need click_on L "$pic" || return 1
    check "the press on L's picture was swallowed, its release got through" eq "$(buttons L "$ml")" "up:picture"
    check "the foreground stayed with the program in front (the press activated nothing)" fg_is "$V_O"
    need zorder_is "$V_O" "$V_A" "$V_L" || return 1

    m=$(mark A); ml=$(mark L)
    need tap 08 || return 1
    arrives "locked: Shift+F13 reaches L" L "$ml" ' keyhook ' || return 1
    quiet
    check "locked: Shift+F13 to L, the picked viewer" \
        eq "$(e2e_since "$(log_of L)" "$ml" | awk '$2 == "keyhook" {print $3, $4, $5}')" "hwnd=$V_L w=0x7c l=0x10001"
    check "locked: nothing for A, the viewer mode 1 would choose" nothing_reached A "$m"

    m=$(mark A); ml=$(mark L)
    need tap 1C || return 1
    arrives "locked: plain Up reaches L's channel display" L "$ml" ' keydown win=channel ' || return 1
    quiet
    check "locked: plain Up (0x1C) posted to L's channel display" \
        eq "$(keys L "$ml" | tr ' ' '\n' | grep ':posted:' | cut -d: -f1-4)" "keydown:channel:0x26:posted"
    check_direction "L:$ml" "locked, plain Up" "11- 10- post" 8 8
    check "locked: no key for A" nothing_reached A "$m"
    check "the program in front saw the modifier events only, no Up and no KeyHook" \
        eq "$(keyhooks O "$mo")/$(keys O "$mo" | tr ' ' '\n' | grep -c ':0x26:')" "/0"

    # an mAgicTV window in the foreground stops delivery, lock or not
    need e2e_viewer M "mAgicTVWindow" --no-hook --pos 560 400 || return 1
    need w foreground "$V_M" || return 1
    local mm
    m=$(mark A); ml=$(mark L); mm=$(mark M)
    need tap 08 && need tap 24 || return 1
    quiet
    check "mAgicTVWindow in the foreground: nothing for the locked viewer" nothing_reached L "$ml"
    check "...no modifier events either" eq "$(ll L "$ml")" ""
    check "...nothing for A or the mAgicTV window" eq "$(keyhooks A "$m")$(keys A "$m")$(keyhooks M "$mm")$(keys M "$mm")" ""
    # sentinel: the lock survives it
    need w foreground "$V_O" || return 1
    ml=$(mark L)
    need tap 17 || return 1
    arrives "the lock outlives the mAgicTV window: Ctrl+F13 reaches L" L "$ml" ' keyhook ' || return 1
    check "the program in front again: Ctrl+F13 to the locked viewer" eq "$(keyhooks L "$ml")" "0x7c/0x20001"
    # gone again, so that it does not block the mode's search below
    need w close "$V_M" && need w wait-gone "$V_M" || return 1

    # command 114 again ends lock-on; mode 1 governs again
    need e2e_korvanta_cmd 114 || return 1
    need zorder_is "$V_O" "$V_A" "$V_L" || return 1
    m=$(mark A); ml=$(mark L)
    need tap 08 && need tap 1C || return 1
    arrives "unlocked: plain Up reaches A's channel display by mode 1" A "$m" ' keydown win=channel ' || return 1
    quiet
    check "unlocked: Shift+F13 to A by mode 1" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    check "unlocked: plain Up to A's channel display" eq "$(keys A "$m" | cut -d: -f1-4)" "keydown:channel:0x26:posted"
    check "unlocked: nothing for L" nothing_reached L "$ml"

    # the hook went with the pick: a click now reaches the window under it
    mo=$(mark O)
    need click_on O "$V_O" || return 1
    check "after the pick the mouse is free: the program in front gets press and release" \
        eq "$(buttons O "$mo")" "down:main up:main"
}

# Lock-on to a viewer that then closes: the next button goes by the mode and
# ends lock-on, so command 114 starts a new capture; a click on a window that
# is no viewer ends that capture without a lock.
case_lockon_target_closed() {
    need e2e_viewer L "TVH264 Window" --picture --pos 520 60 || return 1
    need e2e_viewer A "TVTest Window" --no-hook || return 1
    need e2e_viewer O "Notepad" --no-hook --pos 60 400 || return 1
    need w foreground "$V_O" || return 1
    need zorder_is "$V_O" "$V_A" "$V_L" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m ml mo

    need start_capture || return 1
    ml=$(mark L)
    need click_on L "$(picture_of L)" || return 1
    check "the press on the TVH264 viewer's picture was swallowed" eq "$(buttons L "$ml")" "up:picture"
    m=$(mark A); ml=$(mark L)
    need tap 08 || return 1
    arrives "locked on the TVH264 viewer: Shift+F13 reaches it" L "$ml" ' keyhook ' || return 1
    quiet
    check "locked on the TVH264 viewer: Shift+F13 there" eq "$(keyhooks L "$ml")" "0x7c/0x10001"
    check "nothing for A" nothing_reached A "$m"

    need w close "$V_L" && need w wait-gone "$V_L" || return 1
    m=$(mark A)
    need tap 0B || return 1
    arrives "locked viewer closed: the next button reaches A by mode 1" A "$m" ' keyhook ' || return 1
    check "locked viewer closed: the next button goes to A by mode 1" eq "$(keyhooks A "$m")" "0x84/0x30001"

    # lock-on has ended with that button, so 114 now starts a capture (while
    # a lock still showed, it would only end that lock and the click below
    # would reach the window)
    need start_capture || return 1
    mo=$(mark O)
    need click_on O "$V_O" || return 1
    check "114 after the target closed starts a capture: the press on the program in front is swallowed" \
        eq "$(buttons O "$mo")" "up:main"
    m=$(mark A); mo=$(mark O)
    need tap 08 || return 1
    arrives "after a click on no viewer, Shift+F13 reaches A by mode 1" A "$m" ' keyhook ' || return 1
    quiet
    check "a click on no viewer locks nothing: Shift+F13 to A by mode 1" eq "$(keyhooks A "$m")" "0x7c/0x10001"
    check "...and nothing for the program clicked on" nothing_reached O "$mo"
    mo=$(mark O)
    need click_on O "$V_O" || return 1
    check "that capture is over: the next click reaches the program" eq "$(buttons O "$mo")" "down:main up:main"
}

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
