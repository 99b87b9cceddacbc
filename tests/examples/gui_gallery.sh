#!/bin/bash
# Uses the real GALLERY.EXE with the mouse and keys on a virtual display:
# the calendar moved a month by its vertical scroll bar and a year by its
# horizontal one, and a day clicked; the spin edit's arrows clicked and its
# arrow key pressed; the repeating button held for a second, clicked, and
# pressed with Space; an animated GIF opened in the file dialog and its
# frames seen on the screen, a picture opened through a plug-in, and saved
# at 8 bits. What each did is read back from the window, the screen and
# the file written.
#   gui_gallery.sh <folder of GALLERY.EXE and wintree.exe>
set -euo pipefail
bin="$(cd "$1" && pwd)"
tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)"
. "$tools/wine-env"
. "$tools/wine-desktop"
pics="$WINEPREFIX/drive_c/gallery$$"
trap 'desktop_stop; rm -rf "$pics"' EXIT
fail() {
  echo "gallery: $*" >&2
  timeout 10 import -window root "/tmp/vemtar-gallery-$$.png" 2>/dev/null &&
    echo "gallery: screen in /tmp/vemtar-gallery-$$.png" >&2
  exit 1
}
trap 'fail "stopped at line $LINENO"' ERR

# The calendar page's panel: "表示: YYYY/MM  選択: YYYY/MM/DD".
calendar() { wintree text TPanel; }
# Waits (5 s at most) until the panel's text matches the pattern.
await_calendar() {
  for _ in $(seq 25); do
    [[ "$(calendar)" =~ $1 ]] && return
    sleep 0.2
  done
  fail "the calendar shows \"$(calendar)\", not $1"
}

desktop_start "$bin" "$WINEPREFIX/drive_c" gallery
await_answer "VEMTAR ギャラリー" active

# --- the calendar: its frame is 2 pixels, its scroll bars 16 ------------------
read -r x y w h < <(await rect kxvCalendar)
month="$(calendar | sed -nE 's|^表示: ([0-9]{4})/([0-9]{2}).*|\1-\2|p')"
[ -n "$month" ] || fail "no month shown: \"$(calendar)\""
next="$(date -d "$month-01 +1 month" +%Y/%m)"
later="$(date -d "$month-01 +13 month" +%Y/%m)"
# The vertical bar's lower arrow: a month on.
xdotool mousemove $((x + w - 10)) $((y + h - 2 - 16 - 8)) click 1
await_calendar "^表示: $next "
# The horizontal bar's trough just left of its right arrow: a year on.
xdotool mousemove $((x + w - 2 - 16 - 16 - 4)) $((y + h - 10)) click 1
await_calendar "^表示: $later "
# The fourth column of the fourth row (the third week): the first of the
# month sits in the first week row, in the column of its weekday.
first="$(date -d "${later/\//-}-01" +%w)"
day="$(printf %02d $((3 + 7 * 2 - first + 1)))"
cw=$(((w - 4 - 16) / 7))
xdotool mousemove $((x + 2 + cw * 3 + cw / 2)) $((y + 2 + (h - 4 - 16) * 7 / 14)) click 1
await_calendar "選択: $later/$day$"
# The arrow keys move the selection on: a day right, a week down.
xdotool key Right Down
await_calendar "選択: $later/$(printf %02d $((10#$day + 8)))$"

# --- the spin edit ------------------------------------------------------------
click tab "スピン"
await rect kxvSpin >/dev/null
read -r x y w h < <(await rect kxvSpin)
xdotool mousemove $((x + w / 2)) $((y + 3)) click 1 sleep 0.2 click 1 sleep 0.2
xdotool mousemove $((x + w / 2)) $((y + h - 3)) click 1
await_answer 1 text kxvSpinEdit
# The arrows left the focus in the edit with its text selected: typed
# digits replace it, and the up key steps from there. (The mouse leaves
# the arrows first: Wine's up-down steps again, downwards, when a key's
# step ends with the mouse over it.)
xdotool mousemove $((x - 60)) $((y + 60))
await_answer 'kxvSpinEdit "1"' focus
xdotool type 42
await_answer 42 text kxvSpinEdit
xdotool key Up
await_answer 43 text kxvSpinEdit
await_answer "上: 3 回  下: 1 回" text TPanel

# --- the repeating button -----------------------------------------------------
click tab "ボタン"
read -r x y w h < <(await rect TBitBtn)
xdotool mousemove $((x + w / 2)) $((y + h / 2)) mousedown 1 sleep 1.05 mouseup 1
sleep 0.3
count="$(wintree text TPanel | sed -nE 's|^クリック: ([0-9]+) 回$|\1|p')"
# 400, 500, ... 1000 ms and the release: 8, give or take the timer's grain.
[ -n "$count" ] && [ "$count" -ge 6 ] && [ "$count" -le 9 ] ||
  fail "held for a second, the button counted \"$(wintree text TPanel)\""
click rect TButton "リセット"
await_answer "クリック: 0 回" text TPanel
click rect TBitBtn
await_answer "クリック: 1 回" text TPanel
# The click left the focus on the button: Space presses it once.
await_answer 'TBitBtn "押し続ける"' focus
xdotool key space
await_answer "クリック: 2 回" text TPanel
# --- the picture page -----------------------------------------------------------
mkdir -p "$pics"
python3 "$(dirname "${BASH_SOURCE[0]}")/make_pictures.py" "$pics"
winpics="C:\\gallery$$"
# The colour on the screen at x, y, as "r,g,b".
pixel() {
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null |
    sed -nE '2s/.*\(([0-9]+),([0-9]+),([0-9]+).*/\1,\2,\3/p'
}
# Opens a file through the open button and the real file dialog.
open_picture() {
  click rect TButton "開く(&O)..."
  await dialog >/dev/null
  xdotool type --delay 20 "$winpics\\$1"
  xdotool key Return
}
click tab "画像"
read -r x y w h < <(await rect TTabSheet "画像")
# The middle of the picture control (8, 8, 260 x 250 on its page).
cx=$((x + 8 + 130)) cy=$((y + 8 + 125))
open_picture anim.gif
# Three frames a second apart: red, green, blue, each seen in turn.
seen=""
for _ in $(seq 60); do
  c="$(pixel $cx $cy)"
  case "$c" in
    255,0,0) colour=red ;; 0,255,0) colour=green ;; 0,0,255) colour=blue ;; *) colour="" ;;
  esac
  [ -n "$colour" ] && [ "${seen##* }" != "$colour" ] && seen="$seen $colour"
  [ "$colour" = blue ] && break
  sleep 0.1
done
[ "$seen" = " red green blue" ] || fail "the animation showed\"$seen\" (last $c)"
await_answer "anim.gif  60 x 60  8 ビット" text TPanel
# Through the netpbm plug-in beside the gallery.
open_picture pic.ppm
await_answer "pic.ppm  40 x 30  24 ビット" text TPanel
[ "$(pixel $cx $cy)" = "255,0,255" ] || fail "the plug-in's picture shows $(pixel $cx $cy)"
# Saved at 8 bits: the third line of the depths (370, 136 on the page).
xdotool mousemove $((x + 370 + 20)) $((y + 136 + 6)) click 1
xdotool key Down Down
click rect TButton "保存(&S)..."
await dialog >/dev/null
xdotool type --delay 20 "$winpics\\out.bmp"
xdotool key Return
# The depth as the file holds it, not as the page says it chose.
for _ in $(seq 50); do [ -s "$pics/out.bmp" ] && break; sleep 0.2; done
[ "$(head -c 2 "$pics/out.bmp")" = BM ] || fail "out.bmp is no bitmap file"
[ "$(od -An -tu2 -j28 -N2 "$pics/out.bmp" | tr -d ' ')" = 8 ] ||
  fail "out.bmp has $(od -An -tu2 -j28 -N2 "$pics/out.bmp") bits a pixel"
echo "gallery: passed"
