# shellcheck shell=bash
# The remote starts programs: a button mapped to "Run COMMAND LINE", and the
# front button, which starts the StartViewer program when no viewer runs. The
# program is the stand-in viewer itself, copied into a folder whose name has
# a space, so that a command line that lost its quotes would start nothing.

ALL_CASES+=(
    run_mapped_button
    run_front_starts_viewer
    run_viewer_path_in_utf8
    run_missing_program
)

# started_standin: the stand-in copied to "$E2E_APP/Stand In"; its Windows
# path in STANDIN_W, its folder's in STANDIN_DIR_W
started_standin() {
    mkdir -p "$E2E_APP/Stand In" || return 1
    cp "$KV_BIN/standin.exe" "$E2E_APP/Stand In/standin.exe" || return 1
    STANDIN_W=$(winepath_w "$E2E_APP/Stand In/standin.exe")
    STANDIN_DIR_W=$(winepath_w "$E2E_APP/Stand In")
}

# start_line NAME: the start line the stand-in logged as NAME, if any
start_line() { grep -m1 ' start ' "$(log_of "$1")" 2>/dev/null; }

# press_ms LOG CODE N: the time of day, in ms, of the Nth press of CODE that
# the press log passed
press_ms() {
    grep "code=$2 repeat=passed" "$1" | sed -n "$3s/^[0-9-]* \([0-9:.]*\) .*/\1/p" |
        awk -F '[:.]' '{ print (($1 * 60 + $2) * 60 + $3) * 1000 + $4 }'
}

# A press of 2A starts the program, in its own folder, with its arguments;
# a second press within the pause starts no second copy; the log names the
# program and the process it got.
case_run_mapped_button() {
    need started_standin || return 1
    : >"$(log_of S)"
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "Log=1" "[Buttons]" \
        "2A=Run \"$STANDIN_W\" \"TVTest Window\" $(winepath_w "$(log_of S)") --no-hook --pos 300 60"
    need e2e_korvanta_start || return 1
    need tap 2A || return 1
    check "a press of 2A starts the program" wait_for S 0 ' start ' 1 20
    local line pid
    line=$(start_line S)
    pid=$(printf '%s' "$line" | sed -n 's/.* pid=\([0-9]*\).*/\1/p')
    check "...its window appears, of the class its arguments name" eval "printf '%s' '$line' | grep -q 'class=TVTest Window'"
    check "...in its own folder" eq "$(printf '%s' "$line" | sed -n 's/.* cwd="\(.*\)"$/\1/p')" "$STANDIN_DIR_W"
    need settled_foreground S "$(printf '%s' "$line" | sed -n 's/.* start hwnd=\(0x[0-9a-f]*\).*/\1/p')" || return 1
    need tap 2A || return 1
    sleep 1
    check "exit code 0" exit_korvanta
    local log="$E2E_APP/Korvanta.log" first second
    check "the log: the program's file name and its process" \
        eq "$(tr -d '\r' <"$log" | grep -c "code=2A repeat=passed action=Run mode=1 lockon=off direction=no route=run program=\"standin.exe\" pid=$pid map=all\$")" 1
    first=$(press_ms "$log" 2A 1)
    second=$(press_ms "$log" 2A 2)
    check "the second press reached Korvanta" test -n "$second" || return 0
    # The pause runs from the first press; a machine too slow to press again
    # within it rightly gets a second copy, which shows nothing of the pause.
    local gap=$(((second - first + 86400000) % 86400000))  # across midnight too
    if [ "$gap" -ge 2000 ]; then
        info "the second press came $gap ms after the first, past the pause"
        return 0
    fi
    check "a second press within the pause starts no second copy" eq "$(count S 0 ' start ')" 1
    need w zorder || return 1
    check "...one window of it" eq "$(printf '%s\n' "${E2E_REPLY[@]}" | grep -c ' TVTest Window$')" 1
    check "...and the log says it was too soon" \
        eq "$(tr -d '\r' <"$log" | grep -c 'code=2A repeat=passed action=Run .* route=none reason=run-too-soon map=all$')" 1
}

# With no viewer anywhere, the front button starts StartViewer; once that is
# up, the next press brings it to the front instead of starting another.
case_run_front_starts_viewer() {
    need started_standin || return 1
    : >"$(log_of S)"
    write_ini "[Korvanta]" "TVTC_MODE=00000001" \
        "StartViewer=\"$STANDIN_W\" \"TVTest Window\" $(winepath_w "$(log_of S)") --no-hook --pos 300 60"
    need e2e_viewer O "Notepad" --no-hook --foreground || return 1
    need w foreground "$V_O" || return 1
    need e2e_korvanta_start || return 1
    need tap 21 || return 1
    check "with no viewer, the front button starts StartViewer" wait_for S 0 ' start ' 1 20
    local viewer m
    viewer=$(start_line S | sed -n 's/.* start hwnd=\(0x[0-9a-f]*\).*/\1/p')
    need w foreground "$V_O" || return 1
    sleep 5  # past the pause that keeps a slow viewer from being started twice
    m=$(mark S)
    need tap 21 || return 1
    # (Wine without a window manager shows the activation, not always the
    # foreground; see bring_to_front)
    check "the next press brings the started viewer ($viewer) to the front" wait_for S "$m" ' activate wa=[12] '
    check "...and starts no other" eq "$(count S 0 ' start ')" 1
    check "exit code 0" exit_korvanta
}

# A settings file saved by Notepad as it does by default, UTF-8 without a
# byte-order mark, whose StartViewer is under a Japanese folder name with a
# space: Korvanta turns the file into UTF-16 LE with the same text before it
# reads it, and the front button starts that very program. (Wine's profile
# functions would read the UTF-8 file right even unconverted; the native
# tests show what Windows makes of it.)
case_run_viewer_path_in_utf8() {
    local folder="$E2E_APP/テレビ ビューア" lines
    mkdir -p "$folder" || return 1
    cp "$KV_BIN/standin.exe" "$folder/standin.exe" || return 1
    : >"$(log_of S)"
    lines=("[Korvanta]" "TVTC_MODE=00000001" "; 視聴はテレビで"
        "StartViewer=\"$(winepath_w "$folder/standin.exe")\" \"TVTest Window\" $(winepath_w "$(log_of S)") --no-hook --pos 300 60")
    printf '%s\r\n' "${lines[@]}" >"$E2E_APP/Korvanta.ini"
    need e2e_viewer O "Notepad" --no-hook --foreground || return 1
    need w foreground "$V_O" || return 1
    need e2e_korvanta_start || return 1
    check "the file is UTF-16 LE now" within 5 kv_utf16 "$E2E_APP/Korvanta.ini"
    check "...with the same text" eq "$(ini_text)" "$(printf '%s\n' "${lines[@]}")"
    need tap 21 || return 1
    check "the front button starts the viewer under the Japanese folder" wait_for S 0 ' start ' 1 20
    check "...in that folder" eq "$(start_line S | sed -n 's/.* cwd="\(.*\)"$/\1/p')" "$(winepath_w "$folder")"
    check "exit code 0" exit_korvanta
    check "the mode is still read from it after the exit" eq "$(ini_text | grep -c '^TVTC_MODE=00000001$')" 1
}

# A program that is not there: one balloon names it, a second press brings
# no second balloon, and the remote goes on working.
case_run_missing_program() {
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "[Buttons]" '2A=Run "C:\nowhere\missing.exe" /x'
    need standin_tray || return 1
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    need e2e_korvanta_start || return 1
    need tap 2A || return 1
    check "one balloon says the program could not be started" wait_for T 0 ' trayballoon .*title="プログラムを起動できません"'
    check "...and names it" eval "tray_balloons 0 | grep -q '「missing.exe」を起動できませんでした'"
    sleep 2
    need tap 2A || return 1
    quiet
    check "a second press brings no second balloon" eq "$(tray_balloons 0 | wc -l)" 1
    local m
    m=$(mark A)
    need tap 08 || return 1
    check "the remote goes on working" wait_for A "$m" ' keyhook '
    check "exit code 0" exit_korvanta
}
