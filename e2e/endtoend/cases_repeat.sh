# shellcheck shell=bash
# The repeat filter: what a held button, a release and a change of button
# fire, a button with a long action told a tap from a hold, and a second
# device whose reports never act.

ALL_CASES+=(
    repeat_held_button
    repeat_press_release
    long_press_tap_and_hold
    foreign_device
)

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

# A button with a long action: a tap gives its short action at the release;
# a hold gives the long one once, as the hold time passes with no further
# report (Korvanta's timer), and its repeats and release give nothing.
case_long_press_tap_and_hold() {
    need e2e_viewer A "TVTest Window" --no-hook --foreground || return 1
    need w foreground "$V_A" || return 1
    write_ini "[Korvanta]" "TVTC_MODE=00000001" "LongPress=300" "[Buttons]" "2A=F5" "2A.long=Shift+F6"
    need e2e_korvanta_start || return 1
    local m
    m=$(mark A)
    need feed press 2A 1 0 && need feed release || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    check "a tap: F5 at the release" eq "$(keyhooks A "$m")" "0x74/0x1"
    m=$(mark A)
    need feed press 2A 1 0 || return 1
    need wait_for A "$m" ' keyhook ' 1 || return 1
    check "a hold with no further report: Shift+F6 as the hold time passes" eq "$(keyhooks A "$m")" "0x75/0x10001"
    need feed press 2A 8 30 && need feed release || return 1
    quiet
    check "...its repeats and release add nothing" eq "$(keyhooks A "$m")" "0x75/0x10001"
    check "exit code 0" exit_korvanta
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
