#!/usr/bin/env bash
# Makes the README's pictures of the tray again: the open menu in mode 1, the
# menu while locked on, the About box, the settings window, the settings
# window showing a program's own map, and the on-screen line over a
# full-screen viewer, cropped from pictures of the screen
# that the tray's and the settings window's end-to-end cases take under Wine
# (the 64-bit executable, real pointer input, the Japanese font), written to
# docs/:
#
#   docs/menu.png  docs/menu-lockon.png  docs/about.png  docs/settings.png
#   docs/settings-program.png  docs/osd.png
#
#   scripts/screenshots.sh
#
# Needs what the end-to-end tests need, and xdotool, ImageMagick and
# fonts-ipafont-gothic (scripts/install-deps.sh installs them all).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$repo/docs"
pictures=(menu menu-lockon about settings settings-program osd)
for f in "${pictures[@]}"; do rm -f "$repo/docs/$f.png"; done
rc=0
E2E_DOCS=$repo/docs bash "$repo/e2e/endtoend/run_e2e.sh" --arch x64 tray_mode_items tray_lockon tray_about \
    settings_window_learns settings_window_program osd_over_fullscreen || rc=$?
[ "$rc" = 0 ] || { echo "the tray cases did not pass (exit code $rc); no pictures"; exit 1; }
for f in "${pictures[@]}"; do
    [ -f "$repo/docs/$f.png" ] || { echo "docs/$f.png was not written"; exit 1; }
    # fewer colours and no metadata keep the files small; the text stays sharp
    convert "$repo/docs/$f.png" -colors 32 -strip "png8:$repo/docs/$f.png"
    echo "docs/$f.png: $(identify -format '%wx%h' "$repo/docs/$f.png"), $(stat -c %s "$repo/docs/$f.png") bytes"
done
