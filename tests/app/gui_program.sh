#!/bin/bash
# Uses the real VEMTAR.EXE as a person does, with mouse clicks and keys on
# a virtual display: opens a directory in the tree, selects its rows,
# ticks the attribute change and read-only, presses 実行, confirms, and
# checks the files on disk.
#   gui_program.sh <folder of VEMTAR.EXE and wintree.exe> [screenshot.png]
# Given a file name, it also saves a picture of the window just before
# the run.
# The program runs on a Wine desktop of its own, so the tests running
# beside it keep the shared Wine server and its display.
set -euo pipefail
bin="$(cd "$1" && pwd)"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/../../tools/wine-env"

# A name that sorts before every other directory of drive C:.
dir="$WINEPREFIX/drive_c/0gui$$"
desktop="vemtar-gui-$$"
n=$((100 + $$ % 400))
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=":$n"
xvfb=""
cleanup() {
  wine "$bin/wintree.exe" --desktop "$desktop" close >/dev/null 2>&1 || true
  sleep 1
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$dir" "$witness"
}
trap cleanup EXIT

mkdir -p "$dir"
for f in a.txt b.txt c.txt; do echo x >"$dir/$f"; done
# Beside it in the drive's root: changed only if the wrong directory is
# listed.
witness="$dir.txt"
echo x >"$witness"
rm -f "$bin/VEMTAR.INI"  # starts on page 1

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

wintree() { wine "$bin/wintree.exe" --desktop "$desktop" "$@" 2>/dev/null | tr -d "\r"; }
# Clicks the middle of a control, or dx, dy from its top left corner.
click() {
  local cls="$1" text="$2" dx="${3:-}" dy="${4:-}" x y w h
  read -r x y w h < <(wintree rect "$cls" $text) || { echo "no $cls $text" >&2; exit 1; }
  xdotool mousemove $((x + ${dx:-$((w / 2))})) $((y + ${dy:-$((h / 2))})) click 1
  sleep 0.5
}
readonly_all() {
  for f in a.txt b.txt c.txt; do
    [ $((0$(stat -c %a "$dir/$f") & 0222)) = 0 ] || return 1
  done
}

# The program starts on its current drive: C:, the drive of dir.
(cd "$dir" && wine explorer "/desktop=$desktop,800x600" "$bin/VEMTAR.EXE" >/dev/null 2>&1 &)
for _ in $(seq 100); do wintree rect TTreeView >/dev/null && break; sleep 0.2; done
sleep 1

# The tree: a click on the drive's name (its first line) takes the focus
# and Right opens the drive; a click on its first directory (the next
# line) shows that directory in the list.
click TTreeView "" 40 10
xdotool key Right
sleep 0.5
click TTreeView "" 60 26
# The list: a click on the first row, Shift+End to the last.
click TListView "" 40 30
xdotool key shift+End
sleep 0.5
# Only the rows themselves: whatever the list shows, nothing below it.
click TCheckBox "ｻﾌﾞﾃﾞｨﾚｸﾄﾘも検索する" 8
click TCheckBox "ファイル属性の変更" 8
click TCheckBox "R：リードオンリー" 8
if readonly_all; then echo "gui: read-only before the run" >&2; exit 1; fi
if [ -n "${2:-}" ]; then
  id="$(timeout 5 xwininfo -root -tree | awk '/"VEMTAR"/ {print $1; exit}')"
  timeout 10 import -window "$id" "$2"
fi
click TButton "実行"
sleep 1
xdotool key Return  # OK in the question

for _ in $(seq 50); do readonly_all && break; sleep 0.2; done
if ! readonly_all; then
  echo "gui: the files did not become read-only" >&2
  ls -l "$dir" >&2
  import -window root "/tmp/vemtar-gui-$$.png" 2>/dev/null && echo "gui: screen in /tmp/vemtar-gui-$$.png" >&2
  exit 1
fi
if [ $((0$(stat -c %a "$witness") & 0200)) = 0 ]; then
  echo "gui: a file outside the directory changed" >&2
  exit 1
fi
echo "gui: the three files are read-only"
