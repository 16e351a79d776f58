# shellcheck shell=bash
# Delivery routes: mode 0 (keystrokes to the focus), mode 1 ("TVTest KeyHook"
# to the first viewer below the foreground), mode 2 (the foreground viewer
# only), direction keys posted to a channel display, and the flag that drops
# plain direction buttons.

ALL_CASES+=(
    mode0_keys
    mode1_keys
    mode1_magic_blocks
    mode1_direction
    mode2_foreground_only
    direction_fullscreen_channel
    ignore_direction_flag
)

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

    # Settled before each press: Wine queues no raw input while the focus
    # passes between windows.
    need settled_foreground F "$V_F" || return 1
    m=$(mark A)
    need tap 08 || return 1
    quiet
    check "TVTest Fullscreen in the foreground: it gets nothing" nothing_reached F "$mf"
    check "...and neither does the viewer behind it" nothing_reached A "$m"

    need settled_foreground B "$V_B" || return 1
    need tap 17 || return 1
    need wait_for B "$mb" ' keyhook ' || return 1
    quiet
    check "TVH264 Window in the foreground gets Ctrl+F13" eq "$(keyhooks B "$mb")" "0x7c/0x20001"
    check "the others still got nothing" eq "$(keyhooks A "$m")/$(keyhooks F "$mf")" "/"

    # a viewer's own pop-up (a dialog it owns) in front: the search climbs
    # from the pop-up to its owner, and the message goes to the viewer
    need e2e_viewer D "Viewer dialog" --no-hook --owner-of "$V_A" || return 1
    need settled_foreground D "$V_D" || return 1
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
