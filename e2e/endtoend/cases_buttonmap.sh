# shellcheck shell=bash
# The user's own button map ([Buttons] in Korvanta.ini) and the press log
# (Log=1): what the viewer receives, the balloon about unreadable lines, the
# log's lines, its rollover, a rollover that waits for a reader of the log,
# a foreign device that stays out of both, and another remote's button named
# by its device and usage.

ALL_CASES+=(
    buttonmap_remaps
    buttonmap_hand_edit_live
    buttonmap_program_in_front
    presslog_lines_and_rollover
    presslog_watched_past_the_limit
    other_remote_button
)

# 08 mapped to F5 reaches the viewer as F5; the unreadable 1C line leaves
# 1C its built-in Up and brings one balloon.
case_buttonmap_remaps() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "[Buttons]" "08 = F5" "1C=Foo" "0A=Ctrl+Shift+A"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 && need tap 0A || return 1
    need wait_for A "$m" ' keyhook ' 2 || return 1
    check "08=F5 and 0A=Ctrl+Shift+A posted as mapped" eq "$(keyhooks A "$m")" "0x74/0x1 0x41/0x30001"
    m=$(mark A)
    need tap 1C || return 1
    need wait_for A "$m" 'keydown .*vk=0x26' || return 1
    check "the unreadable 1C line leaves the built-in Up" \
        eq "$(keys A "$m" | tr ' ' '\n' | grep ':0x26:' | cut -d: -f1,3,4)" "keydown:0x26:posted"
    check "one balloon tells of the ignored line" ge "$(balloons_on_screen 5 | wc -l)" 1
    check "exit code 0" exit_korvanta
    check "the map is left as written" eq "$(ini_text | sed -n '/\[Buttons\]/,$p')" $'[Buttons]\n08 = F5\n1C=Foo\n0A=Ctrl+Shift+A'
}

# The map edited while Korvanta runs takes effect without a restart, whether
# the editor writes the file in place or writes a new one and renames it over
# the old; the mode written by hand stays the menu's until the exit.
case_buttonmap_hand_edit_live() {
    need e2e_viewer A "TVTest Window" --channel visible || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "[Buttons]" "08=F5"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    check "08 as first written: F5" eq "$(keyhooks A "$m")" "0x74/0x1"

    write_ini "[Korvanta]" "TVTC_MODE=00000002" "[Buttons]" "08=Shift+F6"
    # (the program acts within 2 s; the time allowed here is for a slow machine)
    check "written in place: 08 is Shift+F6" within 10 delivers 08 "0x75/0x10001"

    printf '%s\r\n' "[Korvanta]" "TVTC_MODE=00000002" "[Buttons]" "08=Ctrl+F7" >"$E2E_APP/Korvanta.ini.tmp"
    mv -f "$E2E_APP/Korvanta.ini.tmp" "$E2E_APP/Korvanta.ini"
    check "renamed over it: 08 is Ctrl+F7" within 10 delivers 08 "0x76/0x20001"
    check "exit code 0" exit_korvanta
    check "the mode is the menu's, written at exit" eq "$(ini_text | grep '^TVTC_MODE=')" "TVTC_MODE=00000001"
}

# A program with a section of its own, in front of a viewer in mode 1: the
# button its section names is typed into it; another goes by [Buttons] to
# the viewer, as without the section. The program is the stand-in under
# another file name, so that the section cannot match the viewer; the
# section is written in other capitals than the file's name.
case_buttonmap_program_in_front() {
    need e2e_viewer A "TVTest Window" --no-hook || return 1
    need e2e_viewer P "MediaPlayerClassicW" --as player.exe --pos 300 60 || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1" "[Buttons]" "08=F2" "0A=F5" "[Buttons:Player.EXE]" "08=Space"
    need e2e_korvanta_start || return 1
    need settled_foreground P "$V_P" || return 1
    local m mp
    m=$(mark A); mp=$(mark P)
    need tap 08 || return 1
    wait_for P "$mp" ' keyup ' 1 5
    need tap 0A || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    quiet
    check "08 typed into the program as Space" eq "$(keys P "$mp")" "keydown:main:0x20:input:0:0 keyup:main:0x20:input:0:0"
    check "...and nothing posted to it" eq "$(keyhooks P "$mp")" ""
    check "0A, not in its section, posted to the viewer as [Buttons] says; 08 not" eq "$(keyhooks A "$m")" "0x74/0x1"
    check "the viewer got no key" eq "$(keys A "$m")" ""
    check "exit code 0" exit_korvanta
    local log
    log=$(tr -d '\r' <"$E2E_APP/Korvanta.log")
    check "the log: 08 by the program's map, typed into it" eq "$(printf '%s\n' "$log" | grep -c \
        "code=08 repeat=passed action=Space mode=1 lockon=off direction=no route=keystrokes to=\"MediaPlayerClassicW\" pid=$P_P map=Player.EXE\$")" 1
    check "the log: 0A by the map for all, to the viewer" eq "$(printf '%s\n' "$log" | grep -c \
        "code=0A repeat=passed action=F5 mode=1 lockon=off direction=no route=keyhook to=\"TVTest Window\" pid=$P_A map=all\$")" 1
}

# delivers CODE KEYHOOK: a press of CODE posts just KEYHOOK ("w/l") to viewer A
delivers() {
    local m
    m=$(mark A)
    tap "$1" >/dev/null || return 1
    wait_for A "$m" ' keyhook ' 1 1 >/dev/null 2>&1 || return 1
    [ "$(keyhooks A "$m")" = "$2" ]
}

# A log of just under 1 MB: the first line that would pass the limit moves it
# to Korvanta.log.old and starts a new file with that line.
case_presslog_lines_and_rollover() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1"
    head -c $((1024 * 1024 - 40)) /dev/zero | tr '\0' 'x' >"$E2E_APP/Korvanta.log"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    # the foreign device: no delivery, no line
    need feed ftap 21 1 20 && need feed ftap 0A 1 20 || return 1
    need tap 0A || return 1
    need wait_for A "$m" ' keyhook ' 2 || return 1
    check "the foreign device delivered nothing" eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7e/0x10001"
    check "exit code 0" exit_korvanta
    check "the full log moved to Korvanta.log.old" \
        eq "$(head -c 10 "$E2E_APP/Korvanta.log.old")/$(( $(stat -c %s "$E2E_APP/Korvanta.log.old") <= 1048576 ))" "xxxxxxxxxx/1"
    local log
    log=$(tr -d '\r' <"$E2E_APP/Korvanta.log")
    info "log: $(printf '%s' "$log" | head -n 3 | tr '\n' '|')"
    check "the press's path, to the viewer's window and process" \
        eq "$(printf '%s\n' "$log" | grep -c "device=04BB:0F0E code=08 repeat=passed action=Shift+F13 mode=1 lockon=off direction=no route=keyhook to=\"TVTest Window\" pid=$P_A map=all\$")" 1
    check "each line starts with the local time to the millisecond" \
        eq "$(printf '%s\n' "$log" | grep -vcE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} ')" 0
    check "releases logged as swallowed" ge "$(printf '%s\n' "$log" | grep -c 'code=00 repeat=swallowed')" 1
    check "nothing logged for the foreign device" eq "$(printf '%s\n' "$log" | grep -c 'code=21')" 0
    check "no further file" eq "$(ls "$E2E_APP" | tr '\n' ' ')" "Korvanta.exe Korvanta.ini Korvanta.log Korvanta.log.old "
}

# presslog_lines N: waits up to 5 s until Korvanta.log holds N lines of the
# receiver; 1 if it does not
presslog_lines() {
    local i
    for ((i = 0; i < 250; i++)); do
        [ "$(grep -c 'device=04BB:0F0E ' "$E2E_APP/Korvanta.log")" -ge "$1" ] && return 0
        sleep 0.02
    done
    return 1
}

# logged_codes: the press log on stdin, each line as "CODE REPEAT" (a line of
# another shape as its first 20 bytes)
logged_codes() {
    tr -d '\r' | sed -E -e 's/^[0-9-]+ [0-9:.]+ device=04BB:0F0E code=(..) repeat=([a-z]+) .*/\1 \2/' \
        -e 's/^[0-9-]+ [0-9:.]+ device=04BB:0F0E code=00 repeat=swallowed$/00 swallowed/' \
        -e 's/^(.{20}).+/\1.../' | tr '\n' ' '
}

# A window shows the log live (wctl watch: to read, sharing reading and
# writing but not deleting), so the full log cannot move: the presses that
# pass 1 MB still reach the viewer, their lines go on in Korvanta.log and no
# balloon comes. Once the reader lets go, the next press moves the log to
# Korvanta.log.old and starts a new file with its line.
case_presslog_watched_past_the_limit() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1"
    local log=$E2E_APP/Korvanta.log full=$((1024 * 1024 - 40))
    head -c $full /dev/zero | tr '\0' 'x' >"$log"
    need e2e_korvanta_start || return 1
    need w watch "$(winepath_w "$log")" || return 1
    local m
    m=$(mark A)
    need tap 08 && need tap 0A && need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' 3 || return 1
    check "the presses past the limit reached the viewer" eq "$(keyhooks A "$m")" "0x7c/0x10001 0x7e/0x10001 0x7c/0x10001"
    check "their six lines reached the log" presslog_lines 6
    check "no balloon while the log is watched" eq "$(balloons_on_screen 1)" ""
    check "no Korvanta.log.old while the log is watched" eq "$(ls "$E2E_APP" | tr '\n' ' ')" "Korvanta.exe Korvanta.ini Korvanta.log "
    info "log while watched: $(stat -c %s "$log") bytes"
    check "Korvanta.log went on past 1 MB" ge "$(stat -c %s "$log")" $((1024 * 1024 + 1))
    check "the full log is kept whole" eq "$(head -c $full "$log" | tr -d x | wc -c)" 0
    check "the lines were appended to it" eq "$(tail -c +$((full + 1)) "$log" | logged_codes)" \
        "08 passed 00 swallowed 0A passed 00 swallowed 08 passed 00 swallowed "
    cp "$log" "$E2E_RUN/watched.copy"

    need w unhold || return 1
    m=$(mark A)
    need tap 0A || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "the press after the reader let go reached the viewer" eq "$(keyhooks A "$m")" "0x7e/0x10001"
    check "its two lines reached the log" presslog_lines 2
    check "the watched log, whole, moved to Korvanta.log.old" cmp "$E2E_APP/Korvanta.log.old" "$E2E_RUN/watched.copy"
    check "a new log starts with the press" eq "$(logged_codes <"$log")" "0A passed 00 swallowed "
    check "still no balloon" eq "$(balloons_on_screen 0)" ""
    check "exit code 0" exit_korvanta
    check "no further file" eq "$(ls "$E2E_APP" | tr '\n' ' ')" "Korvanta.exe Korvanta.ini Korvanta.log Korvanta.log.old "
}

# Another remote (045E:0800, read through the system's HID parser), its
# usage 00CD mapped in [Buttons] and 00B5 not: the press of 00CD reaches the
# viewer once as mapped and its release adds nothing; 00B5 does nothing; the
# receiver's button acts as before, the foreign device still not at all. The
# press log names the button by its device and usage.
case_other_remote_button() {
    need e2e_viewer A "TVTest Window" --foreground || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1" "[Buttons]" "045E:0800:00CD=F9"
    need e2e_korvanta_start || return 1
    need settled_foreground A "$V_A" || return 1
    local m
    m=$(mark A)
    need feed other CD || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    check "the mapped button's press posted as F9" eq "$(keyhooks A "$m")" "0x78/0x1"
    local at_release
    at_release=$(mark A)
    need feed other || return 1
    quiet
    check "...its release nothing" nothing_reached A "$at_release"
    check "...and no key events synthesised" eq "$(ll A "$m")$(keys A "$m")" ""

    m=$(mark A)
    need feed other B5 && need feed other || return 1
    quiet
    check "the button the map leaves out (00B5): nothing" nothing_reached A "$m"
    need tap 08 || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    quiet
    check "the receiver's 08 after it: Shift+F13 as before, and nothing else" eq "$(keyhooks A "$m")" "0x7c/0x10001"

    m=$(mark A)
    need feed ftap 08 1 20 && need feed ftap 0A 1 20 || return 1
    need feed other CD && need feed other || return 1
    need wait_for A "$m" ' keyhook ' || return 1
    quiet
    check "the foreign device: nothing; the other remote's 00CD after it: F9 once" eq "$(keyhooks A "$m")" "0x78/0x1"
    check "exit code 0" exit_korvanta
    local log
    log=$(tr -d '\r' <"$E2E_APP/Korvanta.log")
    info "log: $(printf '%s' "$log" | grep -v ' code=00 ' | cut -d' ' -f3- | tr '\n' '|')"
    check "the log: each press of 00CD by its device and usage, to the viewer" eq "$(printf '%s\n' "$log" | grep -c \
        "device=045E:0800 usage=00CD repeat=passed action=F9 mode=1 lockon=off direction=no route=keyhook to=\"TVTest Window\" pid=$P_A map=all\$")" 2
    check "the log: the receiver's 08" eq "$(printf '%s\n' "$log" | grep -c ' device=04BB:0F0E code=08 repeat=passed ')" 1
    check "the log: nothing else of the other remote (its releases, 00B5), nothing of the foreign device" \
        eq "$(printf '%s\n' "$log" | grep -c -e ' device=045E:0800 ' -e ' device=046D:')" 2
}
