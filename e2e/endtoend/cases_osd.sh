# shellcheck shell=bash
# The on-screen line (Osd=2) over a full-screen viewer: a press reaches the
# viewer, which keeps the foreground and the focus; the line shows near the
# bottom of the screen, in a window of its own that takes no click: a click
# at its place reaches the viewer below it. Its picture is the README's
# (scripts/screenshots.sh). Uses the tray cases' helpers (cases_tray.sh).

ALL_CASES+=(osd_over_fullscreen)

prepare_osd_over_fullscreen() { tray_requirements; }

# line_shows: the on-screen line's window is there and visible; LINE is its
# handle, LINE_RECT "left top right bottom".
line_shows() {
    w find KorvantaOnScreenLine >/dev/null || return 1
    LINE=${E2E_REPLY[0]}
    w rect "$LINE" >/dev/null || return 1
    LINE_RECT=${E2E_REPLY[0]% *}
    [ "${E2E_REPLY[0]##* }" = 1 ]
}

# pictured_with_line NAME: a press of 2A, then a picture NAME taken while the
# line shows (it shows before and after the picture, with no press between);
# pressed again when it hid first, as it does after 1.5 s on a slow machine.
pictured_with_line() {
    tap 2A && within 10 line_shows && picture "$1" && line_shows
}

# clicked_through: a click at the middle of the line while it shows (before
# and after the click); CLICK_UNDER is the window the system finds there.
clicked_through() {
    local l t r b
    tap 2A && within 10 line_shows || return 1
    read -r l t r b <<<"$LINE_RECT"
    w click $(((l + r) / 2)) $(((t + b) / 2)) >/dev/null || return 1
    CLICK_UNDER=${E2E_REPLY[0]}
    line_shows
}

# the focus and activation the viewer lost after MARK, as its log tells them
lost_front() { e2e_since "$(log_of F)" "$1" | grep -cE ' activate wa=0 | activateapp on=0 '; }

case_osd_over_fullscreen() {
    PICS=$(dirname "$TOOLS")/pictures/$ARCH/osd_over_fullscreen
    rm -rf "$PICS" && mkdir -p "$PICS" || return 1
    need e2e_desktop_look || return 1
    need e2e_viewer F "TVTest Fullscreen" --fullscreen --picture --foreground --no-hook || return 1
    need w foreground "$V_F" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "IgnoreCursor=00000000" "Osd=2"
    need e2e_korvanta_start || return 1
    need fg_is "$V_F" || return 1
    need picture before || return 1
    local m l t r b width height
    m=$(mark F)
    need tap 2A || return 1
    need wait_for F "$m" ' keyhook ' 1 || return 1
    check "2A reaches the full-screen viewer as TVTest KeyHook" eq "$(keyhooks F "$m")" "0x7f/0x30001"
    check "the line's window shows" within 10 line_shows || return 1

    read -r width height <<<"$(identify -format '%w %h' "$PICS/before.png")"
    check "a picture taken while the line shows" within 30 pictured_with_line osd || return 1
    read -r l t r b <<<"$LINE_RECT"
    info "the line at $LINE_RECT on a screen of ${width}x$height"
    check "...centred across the screen" eq $(((l + r) / 2 - width / 2 < 3 && width / 2 - (l + r) / 2 < 3)) 1
    check "...in its lower part" eq $((t > height / 2 && b <= height)) 1
    # the text's strokes at least, on the panel over the viewer's picture
    check "...drawn there: the picture differs from the screen before it" \
        test "$(region_differs before osd "$l" "$t" "$r" "$b")" -gt $(((r - l) * (b - t) / 50))
    check "...and not in the band of the same height above it" \
        eq "$(region_differs before osd 0 $((2 * t - b)) "$width" "$t")" 0
    # the lower half of the screen, the line in it
    doc_picture osd osd 0 $((height / 2)) "$width" "$height"

    check "the viewer keeps the foreground" fg_is "$V_F"
    check "...and never lost the focus or activation" eq "$(lost_front "$m")" 0

    m=$(mark F)
    check "a click at the line's place while it shows" within 30 clicked_through || return 1
    check "...finds the viewer's picture there, not the line" \
        eq "$(cut -d' ' -f4- <<<"$CLICK_UNDER")" "Stand-in Picture"
    check "...and reaches the viewer" wait_for F "$m" ' lbuttondown win=picture ' 1
    check "the viewer still has the foreground" fg_is "$V_F"
    check "...and lost nothing" eq "$(lost_front "$m")" 0
    check "Korvanta exits with the line's window gone" exit_korvanta
}
