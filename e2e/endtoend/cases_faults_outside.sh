# Faults around a running Korvanta: the receiver pulled out and put back,
# the notification area restarting, settings files it cannot use. The checks
# after each fault (survived, delivered, fault_figures) are those of
# cases_faults.sh.

ALL_CASES+=(
    fault_receiver_replugged
    fault_tray_restart
    fault_settings_files
    fault_settings_junk
)

# The receiver is removed while Korvanta runs and added again: presses work
# again without a restart. The foreign 046D:C31C device, absent at the
# start, is plugged in while Korvanta runs: its reports reach applications
# (a raw-input listener sees them) but never act.
case_fault_receiver_replugged() {
    need feed unplug foreign || return 1
    need e2e_viewer R "Raw listener" --no-hook --rawinput || return 1
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need e2e_korvanta_cmd 111 || return 1
    local m mr i n
    m=$(mark A)
    need tap 08 || return 1
    check "before: Shift+F13 arrives" delivered A "$m" ' keyhook '

    need feed unplug receiver || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    need feed list || return 1
    check "the receiver is gone from the HID devices" eq "$(printf '%s\n' "${E2E_REPLY[@]}" | grep -ci '04BB:0F0E')" 0
    survived "receiver unplugged"
    need feed plug receiver || return 1
    need feed wait 30 receiver || return 1
    info "receiver back: ${E2E_REPLY[*]}"
    # the program learns of a new device when Wine refreshes its device list
    # (every 2 s at most); presses before that may be dropped as unknown
    m=$(mark A)
    check "presses work again without a restart" taps_until_delivered A 0A ' keyhook ' 10
    info "first press through after $TAPS_TAKEN taps"
    FAULT_SENT=$((FAULT_SENT + TAPS_TAKEN)); FAULT_ARRIVED=$((FAULT_ARRIVED + $(count A "$m" ' keyhook ')))
    m=$(mark A)
    for i in 1 2 3 4 5; do need tap 0B || return 1; done
    check "then every press: five taps, five deliveries" delivered A "$m" ' keyhook ' 5
    quiet
    check "...each Shift+Ctrl+F21, none twice" eq "$(keyhooks A "$m")" "$(printf '0x84/0x30001 %.0s' 1 2 3 4 5 | sed 's/ $//')"
    survived "receiver plugged in again"

    # a foreign device added while running
    need feed plug foreign || return 1
    need feed wait 30 foreign || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    sleep 2.5   # past Wine's device-list refresh, so that Korvanta knows the device
    m=$(mark A); mr=$(mark R)
    for i in "foreign 08 10 10" frelease "ftap 0A 3 20" "ftap 24 1 20" "ftap 21 1 20"; do need feed $i || return 1; done
    need wait_for R "$mr" ' rawinput dev=046D:C31C code=0x21' || return 1
    n=$(count R "$mr" ' rawinput dev=046D:C31C ')
    info "the raw-input listener saw $n reports of the foreign device"
    quiet
    check "the foreign device's reports never act" nothing_reached A "$m"
    m=$(mark A)
    need tap 17 || return 1
    check "the receiver still does: Ctrl+F13 arrives" delivered A "$m" ' keyhook '
    quiet
    check "...once" eq "$(keyhooks A "$m")" "0x7c/0x20001"
    survived "foreign device plugged in"
    fault_figures
}

# ---------------------------------------------------------------------------
# The notification area restarts

# tray_menu_choose KEYS...: with the menu open, picks an item by keyboard
# (Down moves from item to item, Enter chooses) and waits until it is closed
tray_menu_choose() {
    local i
    for i in $(seq 50); do w find "#32768" >/dev/null 2>&1 && break; sleep 0.1; done
    w find "#32768" >/dev/null 2>&1 || { echo "    no menu opened"; return 1; }
    w key "$@" || return 1
    for i in $(seq 50); do w find "#32768" >/dev/null 2>&1 || return 0; sleep 0.1; done
    echo "    the menu did not close"
    return 1
}

# Wine's notification area lives in explorer.exe, which also owns the
# desktop window: once it is ended, a new explorer cannot take the desktop
# over, so no new notification area comes up. A stand-in takes its place
# ("Shell_TrayWnd", which Shell_NotifyIconW looks for) and announces itself
# with "TaskbarCreated" as the shell does. Korvanta must survive the loss,
# add its icon to the new notification area, and its menu must work from it.
case_fault_tray_restart() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    local m icon tray epid
    # Wine's own notification area first: a click on the icon opens the
    # menu; Down, Down, Enter chooses the second item, mode 1
    need w wait __winex11_standalone_tray 10 || return 1
    tray=${E2E_REPLY[0]}
    need w children "$tray" || return 1
    icon=$(printf '%s\n' "${E2E_REPLY[@]}" | awk '$2 == "__winex11_tray_icon" {print $1; exit}')
    need test -n "$icon" || return 1
    need w click-window "$icon" || return 1
    check "Wine's notification area: the icon's menu chooses mode 1" tray_menu_choose 0x28 0x28 0x0d
    need w foreground "$V_A" || return 1
    m=$(mark A)
    need tap 08 || return 1
    check "mode 1: Shift+F13 as TVTest KeyHook" delivered A "$m" ' keyhook '

    # explorer ends
    need w find Shell_TrayWnd || return 1
    need w pid "${E2E_REPLY[0]}" || return 1
    epid=${E2E_REPLY[0]}
    need w kill "$epid" || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    check "explorer's notification area is gone" eval '! w find Shell_TrayWnd >/dev/null 2>&1'
    survived "the notification area ended"
    m=$(mark A)
    need tap 0B || return 1
    check "without a notification area the remote still works" delivered A "$m" ' keyhook '

    # a new one comes up and announces itself
    need e2e_viewer T "Shell_TrayWnd" --no-hook --tray --pos 0 700 || return 1
    check "Korvanta adds its icon again: owner its window, id 1, message, icon and tip, callback 0x464" \
        wait_for T 0 "trayicon op=0 owner=$K_HWND id=1 flags=0x7 cb=0x464"
    survived "the notification area restarted"
    # a click on the icon, as the notification area reports it: the callback
    # message with the icon's id and WM_LBUTTONDOWN; Down, Enter: mode 0
    need w post "$K_HWND" 0x464 1 0x201 || return 1
    check "the new icon's menu opens and chooses mode 0" tray_menu_choose 0x28 0x0d
    need w foreground "$V_A" || return 1
    m=$(mark A)
    need tap 08 || return 1
    check "mode 0: Shift+F13 through the input stream to the focused viewer" \
        delivered A "$m" ' keydown win=main vk=0x7c .*src=input '
    check "...and no KeyHook" eq "$(keyhooks A "$m")" ""
    survived "after the menu"
    fault_figures
}

# ---------------------------------------------------------------------------
# Settings files it cannot use

# mode_seen: taps 08 with viewer A in front and focused: "0" when the chord
# came through the input stream (mode 0), "direct" for a TVTest KeyHook
mode_seen() {
    local m
    m=$(mark A)
    tap 08 || return 1
    wait_for A "$m" ' (keyhook|keydown win=main vk=0x7c .*src=input) ' || { echo none; return 0; }
    quiet
    if [ "$(count A "$m" ' keyhook ')" -gt 0 ]; then echo direct; else echo 0; fi
}

# run_on_settings WHAT EXPECTED_MODE [COMMAND...]: one run of Korvanta over
# the settings file as it is: it starts, delivers in the mode it could read,
# takes the menu commands given, survives and exits with 0
run_on_settings() {
    local what=$1 mode=$2 c
    shift 2
    need e2e_korvanta_start || return 1
    FAULT_INJECTED=$((FAULT_INJECTED + 1))
    need w foreground "$V_A" || return 1
    FAULT_SENT=$((FAULT_SENT + 1))
    local seen
    seen=$(mode_seen)
    [ "$seen" != none ] && FAULT_ARRIVED=$((FAULT_ARRIVED + 1))
    check "$what: starts and delivers in mode $mode" eq "$seen" "$([ "$mode" = 0 ] && echo 0 || echo direct)"
    for c in "$@"; do need e2e_korvanta_cmd "$c" || return 1; done
    survived "$what"
    check "$what: exits with 0" exit_korvanta
}

# The settings file as a folder, full of other sections, keys and comments,
# and held open by another program without sharing:
# Korvanta starts with what it can read, never crashes, and changes no byte
# but the values of its own two keys (it writes them at exit).
case_fault_settings_files() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    local ini=$E2E_APP/Korvanta.ini before

    # a folder
    need mkdir "$ini" || return 1
    echo "left alone" >"$ini/note.txt"
    before=$(cd "$E2E_APP" && find Korvanta.ini -printf '%y %p %s\n' | sort; md5sum <"$ini/note.txt")
    run_on_settings "settings file is a folder" 0
    check "the folder and its content are as they were" \
        eq "$(cd "$E2E_APP" && find Korvanta.ini -printf '%y %p %s\n' | sort; md5sum <"$ini/note.txt")" "$before"
    rm -rf "$ini"

    # other sections, keys, comments and blank lines; its own keys among them
    printf '%s\r\n' "; settings of several programs" "[Other]" "TVTC_MODE=00000002" "Name=value with spaces" \
        "" "[Korvanta]" "; chosen from the menu" "TVTC_MODE=00000001" "Extra=kept" "IgnoreCursor=00000000" \
        "" "[Tail]" "x=1" >"$ini"
    cp "$ini" "$E2E_RUN/mixed.orig"
    run_on_settings "a file with other sections" 1
    check "a run that changed nothing left every byte" cmp "$ini" "$E2E_RUN/mixed.orig"
    run_on_settings "the file with other sections again" 1 113
    # Wine's private-profile writer, once it rewrites a file, leaves out its
    # blank lines (Windows keeps them); that much is the platform's doing
    info "blank lines after a change: $(grep -c $'^\r$' "$ini") of $(grep -c $'^\r$' "$E2E_RUN/mixed.orig")"
    check "after command 113 only IgnoreCursor changed, every other line kept" \
        eq "$(diff <(tr -d '\r' <"$E2E_RUN/mixed.orig" | grep -v '^$') <(tr -d '\r' <"$ini" | grep -v '^$'))" \
        $'9c9\n< IgnoreCursor=00000000\n---\n> IgnoreCursor=00000001'
    rm -f "$ini"

    # held open by another program with no sharing
    printf '%s\r\n' "[Korvanta]" "TVTC_MODE=00000001" "IgnoreCursor=00000000" >"$ini"
    cp "$ini" "$E2E_RUN/locked.orig"
    need w hold "$(winepath_w "$ini")" || return 1
    run_on_settings "a file held open without sharing" 0 112
    need w unhold || return 1
    check "the file held open is unchanged" cmp "$ini" "$E2E_RUN/locked.orig"
    run_on_settings "the same file, no longer held" 1
    check "...still unchanged after a run that changed nothing" cmp "$ini" "$E2E_RUN/locked.orig"
    fault_figures
}

# 10 MB of junk, with no line that could be its section: read as nothing
# (mode 0). Nothing was chosen, so nothing needs saving, and the junk must
# survive the run byte for byte; at most its own section may be added.
# The file is handled by the same platform calls in both builds: x64 only.
case_fault_settings_junk() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    local ini=$E2E_APP/Korvanta.ini
    head -c 10485760 /dev/urandom | tr '[]\r\n' 'abcd' >"$ini"
    cp "$ini" "$E2E_RUN/junk.orig"
    run_on_settings "10 MB of junk" 0
    info "file size after the run: $(stat -c %s "$ini") bytes (10485760 before)"
    check "the junk is unchanged, byte for byte" cmp -n 10485760 "$ini" "$E2E_RUN/junk.orig"
    check "anything added is its own section and nothing else" \
        eq "$(tail -c +10485761 "$ini" | tr -d '\r' | grep -v '^$' | grep -vx '\[Korvanta\]\|TVTC_MODE=00000000\|IgnoreCursor=00000000')" ""
    fault_figures
}
