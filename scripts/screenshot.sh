#!/usr/bin/env bash
# Takes the README's screenshot: the editor's main window beside its preview
# window at work on a sprite of four directions, on a virtual X display of
# its own: the frames panel with one row per direction and a few frames
# selected, the palette panel, and the status line reading the pixel under
# the mouse.
#
# How a frame gets in: the editor takes no command line, and a start-up hook
# that only screenshots would use is code no user ever runs. So the script
# does what a user does. quillet-cli builds demo.dc6 (4 directions of 8
# frames) from pictures drawn here; xdotool opens that file through
# File > Open..., clicks and Shift+clicks thumbnails in the frames panel and
# rests the mouse on the picture. The picture thus shows the shipped editor
# reading a file the shipped converter wrote. The script runs in an empty
# temporary folder: no "default.pal" there, so both use the built-in palette.
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

# A slime hopping in four directions (down, left, up, right), 8 frames each:
# it squashes, stretches and leaves the ground, its eyes tell where it looks.
# Drawn without anti-aliasing, as sprites are, on a transparent ground that
# becomes index 0.
rx=(24 22 20 19 20 22 24 25)
ry=(16 18 20 21 20 18 16 15)
lift=(0 3 6 8 6 3 0 0)
pictures=()
for direction in 0 1 2 3; do
    for k in 0 1 2 3 4 5 6 7; do
        cx=36 a=${rx[$k]} b=${ry[$k]}
        cy=$((64 - ${lift[$k]} - b))
        eyes=()
        case $direction in
            0) looks=(-8 8) pupil=0 ;;
            1) looks=(-15 -4) pupil=-2 ;;
            2) looks=() pupil=0 ;; # seen from behind
            3) looks=(4 15) pupil=2 ;;
        esac
        for e in "${looks[@]}"; do
            eyes+=(-fill white -stroke '#123d18' -strokewidth 1 -draw "ellipse $((cx + e)),$((cy - 2)) 4,5 0,360"
                -stroke none -fill '#000033' -draw "ellipse $((cx + e + pupil)),$cy 2,3 0,360")
        done
        name=$(printf 'slime%02d.png' $((direction * 8 + k + 1)))
        convert -size 72x72 xc:none +antialias \
            -fill '#333333' -draw "ellipse 36,65 $((a - ${lift[$k]})),4 0,360" \
            -fill '#8b5a2b' -draw "rectangle $((cx - 1)),$((cy - b - 6)) $((cx + 1)),$((cy - b + 1))" \
            -fill '#7cd35b' -draw "ellipse $((cx + 5)),$((cy - b - 6)) 5,3 0,360" \
            -fill '#3fae49' -stroke '#1d5e25' -strokewidth 2 -draw "ellipse $cx,$cy $a,$b 0,360" \
            -stroke none -fill '#2f8a38' -draw "ellipse $cx,$((cy + b / 2 + 1)) $((a - 5)),$((b / 3)) 0,360" \
            -fill '#c8f7b0' -draw "ellipse $((cx - a / 2)),$((cy - b / 2)) 4,3 0,360" \
            "${eyes[@]}" "PNG32:$name"
        pictures+=("$name")
    done
done
# The anchor under the middle of the shadow.
"$build/quillet-cli" build demo.dc6 "${pictures[@]}" --offset -36,7 --directions 4 >/dev/null

# Xvfb picks a free display itself and names it once it accepts clients.
# The preview at 4x with the frames aligned by their offsets and index 0 as
# the checkerboard: settings of a fresh run folder, never the user's.
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$XDG_CONFIG_HOME/Quillet"
printf '[view]\nzoom=4\nalignByOffsets=true\ntransparentBackground=true\n' \
    >"$XDG_CONFIG_HOME/Quillet/Quillet.conf"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY

# A window that goes away while xdotool walks the window tree (a menu, the
# closing Open dialog) ends that xdotool with BadWindow: the look-up is
# simply made again.
find_window() { # title pattern -> the id of the first shown window with it
    local id
    for _ in $(seq 80); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.25
    done
    echo "screenshot: no window named $1 appeared" >&2
    return 1
}

"$build/quillet" >"$work/quillet.log" 2>&1 &
app_pid=$!
main=$(find_window '^Quillet 2\.1$')
xdotool windowmove --sync "$main" 0 0
xdotool windowfocus --sync "$main"

# File > Open...: the menu's access key opens it with the first item lit.
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key Return
dialog=$(find_window '^Open$')
xdotool windowfocus --sync "$dialog"
xdotool type --delay 5 "$work/demo.dc6"
xdotool key Return

preview=$(find_window '^Frame Preview$')
sleep 1

geometry() { # window -> "x y width height"
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}
read -r px py pw ph < <(geometry "$preview")
# Where the frames panel's cells lie: the panel is the last white run above
# the status line, in a column that passes between thumbnails of frames not
# selected (a cell is 58 pixels wide, its 48-pixel thumbnail 3 pixels below
# its top and in its middle, as src/display/FramesPanel.cpp lays them out).
import -window "$preview" probe.png
white_rows() { # x -> the first and last y of the lowest run of white pixels at x
    convert probe.png -crop "1x$ph+$1+0" +repage -depth 8 txt:- |
        awk -F'[,:]' '/#FFFFFF/ { y = $2; if (y != last + 1) first = y; last = y }
                      END { print first, last }'
}
read -r panel_top panel_bottom < <(white_rows $((4 * 58 + 3)))
panel_left=$(convert probe.png -crop "${pw}x1+0+$((panel_top + 1))" +repage -depth 8 txt:- |
    awk -F'[,:]' '/#FFFFFF/ && !seen { print $1; seen = 1 }')
cell_height=$(((panel_bottom - panel_top + 1) / 4))
thumb() { # frame number -> the middle of its thumbnail, on the screen
    local row=$((($1 - 1) / 8)) column=$((($1 - 1) % 8))
    echo $((px + panel_left + column * 58 + 29)) $((py + panel_top + row * cell_height + 27))
}
# Direction 2's first four frames: a click on the first, a Shift+click on the last.
read -r x y < <(thumb 9)
xdotool mousemove --sync "$x" "$y" click 1
read -r x y < <(thumb 12)
xdotool keydown shift mousemove --sync "$x" "$y" click 1 keyup shift
sleep 0.5
# The mouse on the slime's body (pixel 50, 30 of the 72 x 72 frame, Img
# standing 8 pixels into the window): the status line reads that pixel.
xdotool mousemove --sync $((px + 8 + 50 * 4 + 2)) $((py + 8 + 30 * 4 + 2))
sleep 0.7

read -r mx my mw mh < <(geometry "$main")
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
