#!/usr/bin/env bash
# Takes the README's screenshot: the editor's main window beside its preview
# window showing a real frame, on a virtual X display of its own.
#
# How a frame gets in: the editor takes no command line, and a start-up hook
# that only screenshots would use is code no user ever runs. So the script
# does what a user does. quillet-cli builds demo.dc6 from pictures drawn here,
# xdotool opens that file through File > Open... and then widens the preview
# window as a user would, since the preview keeps its small size and cuts a
# larger frame off. The picture thus shows the shipped editor reading a file
# the shipped converter wrote. The script runs in an empty temporary folder:
# no "Diablo2.pal" there, so both use the built-in palette.
#
# usage: scripts/screenshot.sh [BUILD_DIR [OUTPUT]]
#        (defaults: build and docs/screenshot.png below the repository)
# needs: Xvfb, xdotool, ImageMagick (the Makefile's PACKAGES and SCREENSHOT_PACKAGES)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$root/build}")
out=$(realpath -m "${2:-$root/docs/screenshot.png}")
for tool in Xvfb xdotool convert import; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is missing" >&2; exit 1; }
done
for program in quillet quillet-cli; do
    [ -x "$build/$program" ] || { echo "screenshot: no $build/$program; build first" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
stop() { # ends a process this script started, if it did
    [ -n "$1" ] || return 0
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}
cleanup() {
    stop "$app_pid"
    stop "$xvfb_pid"
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# Four frames of a shield whose glint travels across it, drawn without
# anti-aliasing, as sprites are.
for i in 1 2 3 4; do
    glint=$((24 + 10 * i))
    convert -size 96x96 xc:black +antialias \
        -fill '#6b4423' -stroke '#2e1d0e' -strokewidth 3 \
        -draw 'polygon 12,8 84,8 84,50 48,90 12,50' \
        -stroke none -fill '#2f5fd0' -draw 'polygon 19,15 77,15 77,47 48,81 19,47' \
        -fill '#1c3a8c' -draw 'polygon 48,15 77,15 77,47 48,81' \
        -fill '#f2c230' -draw 'rectangle 42,19 54,71' -draw 'rectangle 24,33 72,45' \
        -fill '#c0392b' -draw 'circle 48,39 48,44' \
        -fill white -draw "circle $glint,22 $glint,24" \
        "BMP3:shield$i.bmp"
done
"$build/quillet-cli" build demo.dc6 shield1.bmp shield2.bmp shield3.bmp shield4.bmp \
    --offset -48,-4 >/dev/null

# Xvfb picks a free display itself and names it once it accepts clients.
# The picture shows playback at 4x with the frames aligned by their offsets:
# settings of a fresh run folder, never the user's.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Quillet"
printf '[view]\nzoom=4\nalignByOffsets=true\nframesPerSecond=2\n' >"$XDG_CONFIG_HOME/Quillet/Quillet.conf"

Xvfb -displayfd 3 -screen 0 1024x600x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

"$build/quillet" >"$work/quillet.log" 2>&1 &
app_pid=$!
main=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quillet 2\.1$' | head -n 1)
xdotool windowmove --sync "$main" 0 0
xdotool windowfocus --sync "$main"

# File > Open...: the menu's access key opens it with the first item lit.
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key Return
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Open$' | head -n 1)
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$work/demo.dc6"
xdotool key Return

preview=$(timeout 20 xdotool search --sync --onlyvisible --name '^Frame Preview$' | head -n 1)
# Play Anim.; the picture is taken while it plays.
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+p
sleep 1.2

geometry() { # window -> "x y width height"
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}
read -r mx my mw mh < <(geometry "$main")
read -r px py pw ph < <(geometry "$preview")
import -window "$main" main.png
import -window "$preview" preview.png

# Both windows, where they stand, on a plain background with a margin around.
margin=16
left=$((mx < px ? mx : px))
top=$((my < py ? my : py))
right=$((mx + mw > px + pw ? mx + mw : px + pw))
bottom=$((my + mh > py + ph ? my + mh : py + ph))
mkdir -p "$(dirname "$out")"
convert -size $((right - left + 2 * margin))x$((bottom - top + 2 * margin)) xc:'#4a5560' \
    main.png -geometry +$((mx - left + margin))+$((my - top + margin)) -composite \
    preview.png -geometry +$((px - left + margin))+$((py - top + margin)) -composite \
    -strip -define png:exclude-chunks=date,time "$out"
echo "screenshot: $out"
