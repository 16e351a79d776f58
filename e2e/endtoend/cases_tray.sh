# shellcheck shell=bash
# The tray as a person meets it: real pointer and key events on the X server
# (xdotool) at the icon in Wine's notification area, pictures of the screen
# (ImageMagick), and what the pictures show: the menu at the pointer, its
# items in order, the check marks and grey items, the About box. Each
# picture is kept under the case's picture folder, named in the log.
#
# Without a window manager Wine shows the notification area as a small
# window of its own at the top left ("__winex11_standalone_tray", owned by
# explorer), the icon a child window of it; without a virtual desktop a Wine
# window's screen rectangle is its place on the X screen.

ALL_CASES+=(
    tray_menu_opens
    tray_mode_items
    tray_about
    tray_lockon
)

# ---------------------------------------------------------------------------
# What the cases need beyond the rest

tray_requirements() {
    local missing=() tool
    for tool in xdotool import convert compare; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    [ ${#missing[@]} = 0 ] || CASE_MISSING="${missing[*]} (Debian: xdotool imagemagick)"
    [ -n "$CASE_MISSING" ] || command -v fc-list >/dev/null || CASE_MISSING="fc-list (Debian: fontconfig)"
    # the menu texts are Japanese; without the font they would show as boxes
    [ -n "$CASE_MISSING" ] || fc-list | grep -q 'IPAPGothic' ||
        CASE_MISSING="the Japanese font IPA P Gothic (Debian: fonts-ipafont-gothic)"
}
prepare_tray_menu_opens() { tray_requirements; }
prepare_tray_mode_items() { tray_requirements; }
prepare_tray_about() { tray_requirements; }
prepare_tray_lockon() { tray_requirements; }

# tray_begin CASE: the prefix as a desktop shows it (the dialog font "MS UI
# Gothic" found as IPA P Gothic; window frames, captions and close boxes drawn
# by Wine, as no window manager runs), the case's picture folder, Korvanta.
tray_begin() {
    PICS=$(dirname "$TOOLS")/pictures/$ARCH/$1
    rm -rf "$PICS" && mkdir -p "$PICS" || return 1
    info "pictures in $PICS"
    e2e_desktop_look --frames || return 1
    # A later start, with the settings file: the first start's balloon would
    # come and go over the screen the pictures compare.
    write_ini "[Korvanta]" "TVTC_MODE=00000000" "IgnoreCursor=00000000"
    e2e_korvanta_start || return 1
    tray_icon_point || return 1
    info "the icon's centre on the screen: $ICON_X,$ICON_Y"
    icon_drawn || { echo "    the icon never showed on the screen"; return 1; }
}

# icon_drawn: waits until the icon shows in a picture of the screen (its
# square holds more than one colour); that picture is "closed", the screen
# before any menu. The notification area paints a moment after the icon's
# window exists.
icon_drawn() {
    local l t r b i
    read -r l t r b _ <<<"$ICON_RECT"
    for ((i = 0; i < 50; i++)); do
        picture closed || return 1
        [ "$(convert "$PICS/closed.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage -format %k info:)" -gt 1 ] && return 0
        sleep 0.1
    done
    return 1
}

# tray_icon_point: ICON_X, ICON_Y, the centre of Korvanta's icon, a child of
# Wine's notification area window, once it is there
tray_icon_point() {
    local tray i
    w wait __winex11_standalone_tray 10 || return 1
    tray=${E2E_REPLY[0]}
    for ((i = 0; i < 50; i++)); do
        w children "$tray" || return 1
        ICON=$(printf '%s\n' "${E2E_REPLY[@]}" | awk '$2 == "__winex11_tray_icon" {print $1; exit}')
        [ -n "$ICON" ] && break
        sleep 0.1
    done
    [ -n "$ICON" ] && w rect "$ICON" || return 1
    ICON_RECT=${E2E_REPLY[0]}
    set -- $ICON_RECT
    ICON_X=$((($1 + $3) / 2))
    ICON_Y=$((($2 + $4) / 2))
}

# x_click X Y [BUTTON]: the pointer to X,Y on the X screen, then a press and
# release of the button (1 left, 3 right), as the hardware would send them
x_click() { xdotool mousemove --sync "$1" "$2" click "${3:-1}"; }

# picture NAME: the whole screen as $PICS/NAME.png
picture() { import -window root "$PICS/$1.png"; }

# region_differs A B L T R B: the pixels of the rectangle that differ between
# pictures A and B; prints the count
region_differs() {
    local g=$(($5 - $3))x$(($6 - $4))+$3+$4
    convert "$PICS/$1.png" -crop "$g" +repage "$E2E_RUN/region-a.png" &&
        convert "$PICS/$2.png" -crop "$g" +repage "$E2E_RUN/region-b.png" || return 1
    compare -metric AE "$E2E_RUN/region-a.png" "$E2E_RUN/region-b.png" null: 2>&1 | cut -d' ' -f1
}

# as_before NAME L T R B: a picture NAME of the screen in which the
# rectangle is as in "closed", the screen before any menu; it may take a
# moment to be painted again once a window has gone
as_before() {
    local i n
    for ((i = 0; i < 20; i++)); do
        picture "$1" || return 1
        n=$(region_differs closed "$@")
        [ "$n" = 0 ] && return 0
        sleep 0.1
    done
    echo "    $n pixels differ from the closed state in $PICS/$1.png"
    return 1
}

# ---------------------------------------------------------------------------
# The menu on the screen

# menu_open BUTTON DX DY: a click of BUTTON at the icon's centre moved by
# DX,DY; waits for the popup menu (class "#32768") to be shown. MENU is its
# window, MENU_RECT "LEFT TOP RIGHT BOTTOM" on the screen, POINTER where the
# pointer was.
menu_open() {
    local i try
    POINTER="$((ICON_X + $2)) $((ICON_Y + $3))"
    # Right after a menu has closed, X may still hand the pointer to the
    # window that had it, and Wine's tray icon then never sees the press; a
    # second press is made once, and said, so a program that does not open
    # its menu still fails.
    for try in 1 2; do
        x_click $((ICON_X + $2)) $((ICON_Y + $3)) "$1" || return 1
        for ((i = 0; i < 40; i++)); do
            if w find "#32768" 2>/dev/null; then
                MENU=${E2E_REPLY[0]}
                w rect "$MENU" && [ "${E2E_REPLY[0]##* }" = 1 ] && break 2
            fi
            sleep 0.05
        done
        [ "$try" = 1 ] && info "no menu 2 s after a press on the icon; pressed once more"
    done
    [ "$i" -lt 40 ] || { echo "    no menu shown"; return 1; }
    MENU_RECT=${E2E_REPLY[0]% *}
}

# menu_closed: waits until the menu's window is gone
menu_closed() { w wait-gone "$MENU" 5 || { echo "    the menu stayed open"; return 1; }; }

# at_pointer: the menu's top-left corner within 2 pixels of the pointer
at_pointer() {
    local l t x y
    read -r l t _ _ <<<"$MENU_RECT"
    read -r x y <<<"$POINTER"
    [ $((l - x)) -ge -2 ] && [ $((l - x)) -le 2 ] && [ $((t - y)) -ge -2 ] && [ $((t - y)) -le 2 ] && return 0
    echo "    menu at $l,$t, pointer at $x,$y"
    return 1
}

# menu_rows NAME: reads the menu out of picture NAME, top to bottom, in
# screen coordinates: "sep Y" for a separator (a row of one colour across
# the menu), "item TOP BOTTOM CHECK GREY" for a band of text rows. The
# text of the items begins in one column; the check mark column lies to the
# left of it, and CHECK is 1 where an item has ink there. GREY is 1 where
# the darkest ink of the item's text is no black but grey.
menu_rows() {
    local l t r b
    read -r l t r b <<<"$MENU_RECT"
    convert "$PICS/$1.png" -crop "$((r - l))x$((b - t))+$l+$t" +repage -colorspace gray -depth 8 \
        -compress none pgm:- | tr -s ' \n' '\n\n' | grep -v '^$' | awk -v L="$l" -v T="$t" '
        NR == 2 { w = $1 } NR == 3 { h = $1 }
        NR > 4 { i = NR - 5; v[i % w, int(i / w)] = $1; n[$1]++ }
        END {
            for (c in n) if (n[c] > n[bg] || bg == "") bg = c
            bands = 0; open = 0; gap = 0
            for (y = 2; y < h - 2; y++) {
                ink = 0
                for (x = 2; x < w - 2; x++) if (v[x, y] != bg) ink++
                if (ink >= 0.8 * (w - 4)) { kind[y] = "sep"; if (open) close_band(last); continue }
                if (ink > 0) { if (!open) { open = 1; top[++bands] = y } gap = 0; last = y }
                else if (open && ++gap > 2) close_band(last)
            }
            if (open) close_band(last)
            # the text column: the left edge most items share (the median)
            for (k = 1; k <= bands; k++) {
                for (j = k; j > 1 && lefts[j - 1] > left[k]; j--) lefts[j] = lefts[j - 1]
                lefts[j] = left[k]
            }
            text = lefts[int((bands + 1) / 2)]
            k = 1
            for (y = 2; y < h - 2; y++) {
                if (kind[y] == "sep" && kind[y - 1] != "sep") print "sep", T + y
                if (k <= bands && y == top[k]) {
                    mark = 0; dark = 255
                    for (yy = top[k]; yy <= bottom[k]; yy++)
                        for (x = 2; x < w - 2; x++) {
                            if (v[x, yy] == bg) continue
                            if (x < text - 2) mark++
                            else if (v[x, yy] < dark) dark = v[x, yy]
                        }
                    print "item", T + top[k], T + bottom[k], (mark >= 4), (dark > 64)
                    k++
                }
            }
        }
        function close_band(end,   yy, x) {
            open = 0; gap = 0; bottom[bands] = end; left[bands] = w
            for (yy = top[bands]; yy <= end; yy++)
                for (x = 2; x < w - 2; x++) if (v[x, yy] != bg && x < left[bands]) left[bands] = x
        }'
}

# menu_signature NAME: the menu in picture NAME in one line: an item is "x"
# when checked, "." when not, with "~" before it when greyed; "|" a separator
menu_signature() {
    menu_rows "$1" | awk '$1 == "sep" { s = s " |" } $1 == "item" { s = s " " ($5 ? "~" : "") ($4 ? "x" : ".") }
        END { print substr(s, 2) }'
}

# menu_item_point NAME N: the middle of the N-th item (from 1) in picture NAME
menu_item_point() {
    local l r
    read -r l _ r _ <<<"$MENU_RECT"
    menu_rows "$1" | awk -v n="$2" -v x=$(((l + r) / 2)) '$1 == "item" && ++k == n { print x, int(($2 + $3) / 2) }'
}

# menu_shows NAME SIGNATURE WHAT: open menu, its picture NAME shows SIGNATURE
menu_shows() {
    picture "$1" || return 1
    check "$3" eq "$(menu_signature "$1")" "$2"
}

# menu_choose NAME N: clicks the N-th item of the open menu (its place read
# from picture NAME); waits until the menu has closed and Korvanta has
# handled the command. The menu posts the command before its window goes,
# and two sent messages in a row are answered only after every message
# posted before them.
menu_choose() {
    local point
    point=$(menu_item_point "$1" "$2")
    [ -n "$point" ] || { echo "    no item $2 in $PICS/$1.png"; return 1; }
    x_click $point || return 1
    menu_closed || return 1
    w send "$K_HWND" 0 0 0 >/dev/null && w send "$K_HWND" 0 0 0 >/dev/null
}

# the menu as it is at first: mode 0 checked, nothing greyed
MENU_MODE0="x . . | . | . | . . ."

# ---------------------------------------------------------------------------
# Cases

# A left and a right click on the icon each open the menu with its corner at
# the pointer; the picture shows its eleven rows in order (three modes, the
# flag, lock-on, the settings, About and exit, with their three separators) and the check
# mark on the first mode, and the screen there differs from the closed
# state; Escape closes it and leaves the screen as it was.
case_tray_menu_opens() {
    need tray_begin tray_menu_opens || return 1
    local l t r b button dx
    for button in 1 3; do
        dx=$([ "$button" = 1 ] && echo -4 || echo 4)
        local what; what=$([ "$button" = 1 ] && echo left || echo right)
        need menu_open "$button" "$dx" "$dx" || return 1
        check "a $what click on the icon opens the menu at the pointer ($POINTER)" at_pointer
        need picture "menu-$what" || return 1
        read -r l t r b <<<"$MENU_RECT"
        check "...on the screen: most of the menu's $((r - l))x$((b - t)) pixels differ from the closed state" \
            ge "$(region_differs closed "menu-$what" $l $t $r $b)" $(((r - l) * (b - t) / 2))
        check "...its items in order with the first mode checked" eq "$(menu_signature "menu-$what")" "$MENU_MODE0"
        # the pointer is on the menu, so the key reaches the menu's thread
        need xdotool key Escape || return 1
        check "...Escape closes it" menu_closed
        check "...and the screen is as before" as_before "closed-$what" $l $t $r $b
    done
}

# doc_picture NAME DOC L T R B: with E2E_DOCS set (scripts/screenshots.sh),
# the rectangle of picture NAME as E2E_DOCS/DOC.png
doc_picture() {
    [ -n "${E2E_DOCS:-}" ] || return 0
    convert "$PICS/$1.png" -crop "$(($5 - $3))x$(($6 - $4))+$3+$4" +repage -strip "$E2E_DOCS/$2.png" &&
        info "wrote $E2E_DOCS/$2.png"
}

# doc_menu NAME DOC: the notification area and the open menu of picture NAME
doc_menu() {
    local r b
    read -r _ _ r b <<<"$MENU_RECT"
    doc_picture "$1" "$2" 0 16 $((r + 8)) $((b + 8))
}

# Each mode item chosen by a click: the check mark moves to it, and the next
# press goes the new way. With a program that is no viewer in front and a
# viewer behind it: mode 1 sends to the viewer behind, mode 2 to none (the
# foreground only), and to the viewer once it is in front; mode 0 types into
# the program in front. Item 113, clicked, checks and drops plain Up;
# clicked again, unchecks and lets it through.
case_tray_mode_items() {
    need e2e_viewer B "TVTest Window" --channel visible --no-hook --pos 520 60 || return 1
    need e2e_viewer O "Notepad" --no-hook --pos 60 400 || return 1
    need w foreground "$V_O" || return 1
    need tray_begin tray_mode_items || return 1
    local m mo

    need menu_open 1 0 0 || return 1
    menu_shows menu-mode0 "$MENU_MODE0" "at first: mode 0 checked"
    need menu_choose menu-mode0 2 || return 1
    need w foreground "$V_O" || return 1
    m=$(mark B); mo=$(mark O)
    need tap 08 || return 1
    arrives "after a click on 直接操作モード: Shift+F13 reaches the viewer behind" B "$m" ' keyhook ' || return 1
    quiet
    check "...as TVTest KeyHook, mode 1" eq "$(keyhooks B "$m")" "0x7c/0x10001"
    check "...nothing typed into the program in front" nothing_reached O "$mo"
    need menu_open 1 0 0 || return 1
    menu_shows menu-mode1 ". x . | . | . | . . ." "the menu shows mode 1 checked"
    doc_menu menu-mode1 menu

    need menu_choose menu-mode1 3 || return 1
    need w foreground "$V_O" || return 1
    m=$(mark B); mo=$(mark O)
    need tap 08 || return 1
    quiet
    check "after a click on 直接操作モード（フォアグラウンドのみ）: nothing for the viewer behind" nothing_reached B "$m"
    check "...nor for the program in front, which is no viewer" nothing_reached O "$mo"
    need w foreground "$V_B" || return 1
    m=$(mark B)
    need tap 08 || return 1
    arrives "mode 2: the viewer in front gets Shift+F13" B "$m" ' keyhook ' || return 1
    need menu_open 1 0 0 || return 1
    menu_shows menu-mode2 ". . x | . | . | . . ." "the menu shows mode 2 checked"

    need menu_choose menu-mode2 4 || return 1
    need w foreground "$V_B" || return 1
    m=$(mark B)
    need tap 1C && need tap 08 || return 1
    arrives "after a click on 方向ボタン無視: Shift+F13 still arrives" B "$m" ' keyhook ' || return 1
    quiet
    check "...plain Up (0x1C) is dropped" eq "$(keys B "$m")" ""
    need menu_open 1 0 0 || return 1
    menu_shows menu-flag ". . x | x | . | . . ." "the menu shows mode 2 and 方向ボタン無視 checked"

    need menu_choose menu-flag 1 || return 1
    need menu_open 1 0 0 || return 1
    menu_shows menu-mode0-flag "x . . | x | . | . . ." "a click on HDUSエミュレーションモード: mode 0 checked, the flag kept"
    need menu_choose menu-mode0-flag 4 || return 1
    need menu_open 1 0 0 || return 1
    menu_shows menu-mode0-again "$MENU_MODE0" "a second click on 方向ボタン無視 unchecks it"
    need xdotool key Escape && need menu_closed || return 1
    need w foreground "$V_O" || return 1
    m=$(mark B); mo=$(mark O)
    need tap 1C || return 1
    arrives "mode 0, flag off: plain Up typed into the program in front" O "$mo" ' keydown win=main vk=0x26 .*src=input ' || return 1
    quiet
    check "...and nothing for the viewer" nothing_reached B "$m"
}

# The About box from its item, closed by a click on OK, by Escape and by a
# click on its close box. Open, it is Korvanta's and on the screen; closed,
# the screen there is as it was before.
case_tray_about() {
    need tray_begin tray_about || return 1
    local how n=0 d l t r b point k
    w pid "$K_HWND" && k=${E2E_REPLY[0]}
    for how in OK Escape "close box"; do
        n=$((n + 1))
        need menu_open 1 0 0 || return 1
        need picture "menu-$n" || return 1
        need menu_choose "menu-$n" 7 || return 1
        need w wait "#32770" 5 || return 1
        d=${E2E_REPLY[0]}
        need w rect "$d" || return 1
        read -r l t r b _ <<<"${E2E_REPLY[0]}"
        check "a click on バージョン情報(&A)... opens Korvanta's About box" eq "$(w pid "$d" && echo "${E2E_REPLY[0]}")" "$k"
        need picture "about-$n" || return 1
        check "...on the screen: most of its $((r - l))x$((b - t)) pixels differ from the closed state" \
            ge "$(region_differs closed "about-$n" $l $t $r $b)" $(((r - l) * (b - t) / 2))
        [ $n = 1 ] && doc_picture "about-$n" about $l $t $r $b
        case $how in
            OK)
                need w children "$d" || return 1
                point=$(printf '%s\n' "${E2E_REPLY[@]}" | awk '$2 == "Button" {print $1; exit}')
                need w rect "$point" || return 1
                set -- ${E2E_REPLY[0]}
                need x_click $((($1 + $3) / 2)) $((($2 + $4) / 2)) || return 1 ;;
            Escape)
                # the key goes to the window under the pointer
                need xdotool mousemove --sync $((l + 20)) $(((t + b) / 2)) key Escape || return 1 ;;
            "close box")
                need w closebox "$d" || return 1
                need x_click ${E2E_REPLY[0]} || return 1 ;;
        esac
        check "...$how closes it" w wait-gone "$d" 5
        check "...and the screen is as before" as_before "after-$n" $l $t $r $b
    done
    check "Korvanta still answers" w ping "$K_HWND"
}

# TVTestロックオン chosen by clicks, then a real click on a viewer's picture:
# the press is swallowed and the viewer gets every press; the menu shows the
# item checked and the four mode and flag items greyed, the mode's check
# kept. Chosen again, the lock ends and the menu is as at first.
case_tray_lockon() {
    need e2e_viewer L "TVTest Window" --channel visible --picture --no-hook --pos 520 60 || return 1
    need e2e_viewer O "Notepad" --no-hook --pos 60 400 || return 1
    need w foreground "$V_O" || return 1
    need tray_begin tray_lockon || return 1
    local m mo ml

    need menu_open 1 0 0 || return 1
    menu_shows menu-before "$MENU_MODE0" "before: mode 0 checked, nothing greyed"
    need menu_choose menu-before 5 || return 1
    need w rect "$(picture_of L)" || return 1
    set -- ${E2E_REPLY[0]}
    ml=$(mark L)
    need x_click $((($1 + $3) / 2)) $((($2 + $4) / 2)) || return 1
    need wait_for L "$ml" ' lbuttonup ' || return 1
    check "a click on the viewer's picture: the press is swallowed, its release gets through" \
        eq "$(buttons L "$ml")" "up:picture"
    need w foreground "$V_O" || return 1
    m=$(mark L); mo=$(mark O)
    need tap 08 || return 1
    arrives "locked: Shift+F13 reaches the picked viewer" L "$m" ' keyhook ' || return 1
    quiet
    check "...as TVTest KeyHook, although mode 0 would type it into the program in front" \
        eq "$(keyhooks L "$m")/$(keys O "$mo")" "0x7c/0x10001/"

    need menu_open 1 0 0 || return 1
    menu_shows menu-lockon "~x ~. ~. | ~. | x | . . ." "the menu shows TVTestロックオン checked, the modes and the flag greyed"
    doc_menu menu-lockon menu-lockon
    need menu_choose menu-lockon 5 || return 1
    need menu_open 1 0 0 || return 1
    menu_shows menu-after "$MENU_MODE0" "chosen again: unlocked, the menu as at first"
    need xdotool key Escape && need menu_closed || return 1
    need w foreground "$V_O" || return 1
    m=$(mark L); mo=$(mark O)
    need tap 08 || return 1
    arrives "unlocked: mode 0 types Shift+F13 into the program in front" O "$mo" ' keydown win=main vk=0x7c .*src=input ' || return 1
    quiet
    check "...and nothing for the viewer" nothing_reached L "$m"
}
