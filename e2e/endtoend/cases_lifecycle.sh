# shellcheck shell=bash
# The program's life: first start and exit, one copy at a time, the end of
# the Windows session, and the button that brings a viewer to the front.

ALL_CASES+=(
    first_start_and_exit
    single_instance
    end_session
    bring_to_front
    bring_to_front_hung_viewer
)

case_first_start_and_exit() {
    need e2e_korvanta_start || return 1
    check "no settings file while running" eq "$(ls -A "$E2E_APP")" "Korvanta.exe"
    check "exit command (105): exit code 0" exit_korvanta
    check "settings file written with both values 0" eq "$(ini_text)" $'[Korvanta]\nTVTC_MODE=00000000\nIgnoreCursor=00000000'
    check "...as UTF-16 LE, so that Japanese text written into it later keeps" kv_utf16 "$E2E_APP/Korvanta.ini"
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
        check "press $i: 0x21 from $current activates $next" tap_front "$next" "$m"
        w fg >/dev/null && info "foreground after press $i: ${E2E_REPLY[0]}"
        need w foreground "$hwnd_next" || return 1
        unset -n hwnd_next
        current=$next
    done
    check "no viewer got a key" eq "$(keyhooks X 0)$(keyhooks Y 0)$(keyhooks Z 0)$(keys X 0)$(keys Y 0)$(keys Z 0)" ""
}

# A viewer that has stopped responding is passed over by 0x21 as if it were
# not there: the other two keep taking turns. Started in the order X, H, Z,
# the hung viewer's process id lies between theirs, so it would be the next
# one after X.
case_bring_to_front_hung_viewer() {
    need e2e_viewer X "TVTest Window" --no-hook || return 1
    need e2e_viewer H "TVTest Window" --hung || return 1
    need e2e_viewer Z "TVTest Window" --no-hook || return 1
    info "process ids: X=$P_X H=$P_H Z=$P_Z"
    need w foreground "$V_Z" || return 1
    # the system counts a window as not responding after 5 s without reading
    sleep 6
    need e2e_korvanta_start || return 1
    local i m next current=Z
    for i in 1 2 3; do
        [ "$current" = Z ] && next=X || next=Z
        local -n hwnd_next=V_$next
        m=$(mark "$next")
        check "press $i: 0x21 from $current activates $next, not the hung viewer" tap_front "$next" "$m"
        need w foreground "$hwnd_next" || return 1
        unset -n hwnd_next
        current=$next
    done
    check "Korvanta answers within a second" w ping "$K_HWND" 1000
}
