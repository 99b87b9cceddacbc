#!/bin/bash
# Uses the real GALLERY.EXE with the mouse and keys on a virtual display,
# page by page: the calendar moved a month by its vertical scroll bar and a
# year by its horizontal one, and a day clicked; the spin edit's arrows
# clicked and its arrow key pressed; the repeating button held, clicked and
# pressed with Space; typed edits written into their variables and shown
# again from them, a field's hint shown as a tooltip and the tab order
# turned round; a file made and deleted in the browsing page's scratch
# directory, seen in the list and by the watcher, and one dragged from the
# list onto a folder of the tree, which moves it; the image stretched; in
# the super image an animation stopped, another stopped by a new open, a
# picture opened through a plug-in, saved at its own depth and at 8 bits,
# and refused with the plug-ins off; flags and a rectangle edited. What
# each did is read back from the window, its event log, the screen and the
# disk.
#   gui_gallery.sh <folder of GALLERY.EXE and wintree.exe>
set -euo pipefail
bin="$(cd "$1" && pwd)"
tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)"
. "$tools/wine-env"
. "$tools/wine-desktop"
pics="$WINEPREFIX/drive_c/gallery$$"
# The browsing page's scratch directory, made afresh by the gallery.
scratch_dirs() { find "$WINEPREFIX/drive_c/users" -maxdepth 5 -type d -name "VEMTAR ギャラリー"; }
scratch_dirs | while read -r dir; do rm -rf "$dir"; done
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

# Waits (10 s at most) until the shown page's event log has a line that
# matches the pattern.
await_log() {
  for _ in $(seq 50); do
    wintree items TEventLog | grep -qE -- "$1" && return
    sleep 0.2
  done
  fail "the log has no line like \"$1\"; it ends: $(wintree items TEventLog | tail -3 | tr '\n' '|')"
}
# Types over the whole text of the focused edit.
retype() { xdotool key End shift+Home && xdotool type --delay 20 "$1"; }

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
chosen=$((10#$day + 8))
await_calendar "選択: $later/$(printf %02d $chosen)$"
await_log "^OnSelectCell: $later/$(printf %02d $chosen)$"
# The owner's own mark on the chosen day, for every year.
click rect TButton "選んだ日に印 (SetHoliday)(&K)"
await_log "^SetHoliday\($((10#${later#*/})), $chosen, true\)$"

# --- the spin edit ------------------------------------------------------------
click tab "スピン"
# The number's arrows sit inside its box, at the right, inside the frame.
read -r x y w h < <(await rect kxvSpinEdit)
xdotool mousemove $((x + w - 9)) $((y + 5)) click 1 sleep 0.2 click 1 sleep 0.2
xdotool mousemove $((x + w - 9)) $((y + h - 5)) click 1
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
await_log "^OnDownClick$"
await_log "^OnChange: 43$"
# Wrap on: a step past 50 comes round to -10.
click rect TCheckBox "Wrap(&W)"
await_log "^Wrap: オン$"
click rect kxvSpinEdit
retype 50
xdotool key Up
await_answer -10 text kxvSpinEdit
# The arrows alone, lying down inside a plain edit box: the right one steps
# it up.
read -r x y w h < <(await rect TEdit)
xdotool mousemove $((x + w - 6)) $((y + h / 2)) click 1
await_answer 1 text TEdit
await_log "^kxvSpin OnClick: btNext"

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
await_log "^OnClick \(2\)$"
# Repeat off: held as long, it clicks once, on the release.
click rect TCheckBox "Repeat(&R)"
await_log "^Repeat: オフ$"
click rect TButton "リセット"
read -r x y w h < <(await rect TBitBtn)
xdotool mousemove $((x + w / 2)) $((y + h / 2)) mousedown 1 sleep 1.05 mouseup 1
await_answer "クリック: 1 回" text TPanel

# --- the typed edit -------------------------------------------------------------
click tab "エディット"
await rect TTabSheet "エディット" >/dev/null
# The byte field: "x" is refused, 300 keeps its low 8 bits in the variable.
click rect kxvEdit 200
retype 3x00
xdotool key Tab
await_log "^dtByte → 44$"
# The program steps every variable and shows them again.
click rect TButton "変数を進める(&V)"
await_log "ReadData$"
await rect kxvEdit 45 >/dev/null
await rect kxvEdit 2026/12/10 >/dev/null
# The mouse resting on a field shows its type and range.
read -r x y w h < <(await rect kxvEdit 45)
xdotool mousemove $((x + w / 2)) $((y + h / 2))
await_answer "dtByte: 0 ～ 255" tip
# With the tab order turned round, Tab goes from the byte field up.
click rect TCheckBox "逆の TabOrder(&B)"
await_log "^逆の TabOrder: オン$"
click rect kxvEdit 45
xdotool key Tab
await_answer 'kxvEdit "False"' focus

# --- the browsing trio ----------------------------------------------------------
click tab "ファイル"
await row メモ.txt >/dev/null
click rect TButton "ファイルを作る(&N)"
await row "新しいファイル 1.txt" >/dev/null
await_log "^作成: .*\\新しいファイル 1\.txt$"
await_log "^監視: "
made="$(scratch_dirs)/新しいファイル 1.txt"
[ -f "$made" ] || fail "no $made on disk"
click row "新しいファイル 1.txt"
await_answer "新しいファイル 1.txt" selected-rows
click rect TButton "選んだファイルを削除(&D)"
await dialog >/dev/null
xdotool key Return
await_log "^削除: .*\\新しいファイル 1\.txt$"
[ ! -e "$made" ] || fail "$made is still on disk"
[ -f "$(scratch_dirs)/メモ.txt" ] || fail "the scratch directory lost メモ.txt"
# Dragged from the list onto the tree's folder 文書, メモ.txt moves there.
read -r x y w h < <(await row メモ.txt)
read -r tx ty tw th < <(await node 文書)
x=$((x + w / 2)) y=$((y + h / 2)) tx=$((tx + tw / 2)) ty=$((ty + th / 2))
# Pressed well after the last click: not taken for a double click.
xdotool mousemove $x $y sleep 0.8 mousedown 1
for i in $(seq 8); do
  xdotool mousemove $((x + (tx - x) * i / 8)) $((y + (ty - y) * i / 8)) sleep 0.1
done
xdotool mouseup 1
await_log "^一覧: OnStartDrag \(1 行\)$"
await_log "^移動: .*メモ\.txt → .*文書.$"
await_log "^一覧: OnEndDrag → ツリー$"
[ -f "$(scratch_dirs)/文書/メモ.txt" ] || fail "メモ.txt is not in 文書 on disk"
[ ! -e "$(scratch_dirs)/メモ.txt" ] || fail "メモ.txt is still where it was"

# --- the pictures both image pages open ------------------------------------------
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
# --- the image: stretched, its red corner fills the control's corner -----------
click tab "イメージ"
read -r x y w h < <(await rect TTabSheet "イメージ")
# Near the image's top left (8, 8 on the page), off the sample's diagonal.
px=$((x + 8 + 20)) py=$((y + 8 + 60))
[ "$(pixel $px $py)" = "255,255,255" ] || fail "the sample fills the image unstretched"
click rect TCheckBox "Stretch(&T)"
await_log "^Stretch: オン$"
for _ in $(seq 25); do [ "$(pixel $px $py)" = "220,40,40" ] && break; sleep 0.2; done
[ "$(pixel $px $py)" = "220,40,40" ] || fail "stretched, the corner shows $(pixel $px $py)"

# --- the super image --------------------------------------------------------------
click tab "スーパーイメージ"
read -r x y w h < <(await rect TTabSheet "スーパーイメージ")
# The middle of the picture control (8, 8, 300 x 300 on its page).
cx=$((x + 8 + 150)) cy=$((y + 8 + 150))
# Waits (6 s at most) for the colour at the middle.
await_colour() {
  for _ in $(seq 60); do [ "$(pixel $cx $cy)" = "$1" ] && return; sleep 0.1; done
  fail "the picture shows $(pixel $cx $cy), not $1"
}
# Three frames a second apart: red, green, blue. Stopped at green, the
# load ends there while the page goes on answering.
open_picture anim.gif
await_colour 255,0,0
await_colour 0,255,0
click rect TButton "停止(&Q)"
await_log "^LoadFromFile: 終了"
await_answer "anim.gif  60 x 60  8 ビット" text TPanel
sleep 1.5
[ "$(pixel $cx $cy)" = "0,255,0" ] || fail "after the stop the animation went on to $(pixel $cx $cy)"
# Open while an animation runs: it stops, and the dialog asks for the next.
open_picture anim.gif
await_colour 255,0,0
open_picture pic.ppm
await_answer "pic.ppm  40 x 30  24 ビット" text TPanel
[ "$(wintree items TEventLog | grep -c '^GIF().Stopped = true$')" = 2 ] ||
  fail "the second animation was not stopped by the open"
[ "$(pixel $cx $cy)" = "255,0,255" ] || fail "the plug-in's picture shows $(pixel $cx $cy)"
# Saved at the depth the picture has, then at 8 bits (the fourth line of
# the depths, 412, 148 on the page), which the picture keeps none of.
save_picture() {
  click rect TButton "保存(&S)..."
  await dialog >/dev/null
  xdotool type --delay 20 "$winpics\\$1"
  xdotool key Return
  for _ in $(seq 50); do [ -s "$pics/$1" ] && break; sleep 0.2; done
  [ "$(head -c 2 "$pics/$1")" = BM ] || fail "$1 is no bitmap file"
  [ "$(od -An -tu2 -j28 -N2 "$pics/$1" | tr -d ' ')" = "$2" ] ||
    fail "$1 has $(od -An -tu2 -j28 -N2 "$pics/$1") bits a pixel, not $2"
}
save_picture own.bmp 24
xdotool mousemove $((x + 412 + 20)) $((y + 148 + 6)) click 1
xdotool key Down Down Down
save_picture out.bmp 8
await_answer "pic.ppm  40 x 30  24 ビット" text TPanel
# With the plug-ins off the same file is refused.
click rect TCheckBox "プラグイン(&P)"
await_log "^SetSusieEnable\(false\)$"
open_picture pic.ppm
await dialog >/dev/null
xdotool key Return
await_log "^LoadFromFile: 失敗 "

# --- flags and a rectangle --------------------------------------------------------
click tab "フラグと矩形"
await rect TTabSheet "フラグと矩形" >/dev/null
click rect TCheckBox 1
await_answer 0x00000007 text TEdit
await_log "^OnChange: 0x00000007$"
click rect TButton SetFlags
await_answer 0x000000F7 text TEdit
await_answer checked check 7
# The same word stored again changes nothing: no OnChange.
click rect TEdit 0x000000F7
xdotool key Return
click rect kxvEdit 140
retype 10
xdotool key Tab
await_log "^kxRect → RECT \{20, 15, 10, 95\}$"
[ "$(wintree items TEventLog | grep -c '^OnChange: ')" = 2 ] || fail "an unchanged word fired OnChange"
echo "gallery: passed"
