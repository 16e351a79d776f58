# shellcheck shell=bash
# Lock-on: command 114 and a click pick the viewer that gets every button,
# until the command is chosen again or that viewer closes.

ALL_CASES+=(
    lockon_pick
    lockon_target_closed
)

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
