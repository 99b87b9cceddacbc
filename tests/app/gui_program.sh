#!/bin/bash
# Uses the real VEMTAR.EXE as a person does, with mouse clicks and keys on
# a virtual display: opens a directory in the tree, selects three of its
# four files, ticks the attribute change and read-only, presses 実行,
# confirms, and checks the files on disk.
#   gui_program.sh <folder of VEMTAR.EXE and wintree.exe> [screenshot.png]
# Given a file name, it also saves a picture of the window just before
# the run.
shot="${2:+$(realpath -m "$2")}"
tag=gui
. "$(dirname "${BASH_SOURCE[0]}")/gui_common.sh"
# The program starts on its current drive: C:, the drive of dir.
desktop_start "$bin" "$dir"

# The tree: a click on the drive selects it and takes the focus, Right
# opens it; a click on the directory shows it in the list.
click node C:
await_answer C: selected-node
await_answer 'TTreeView ""' focus
xdotool key Right
click node "$name"
await_answer "$name" selected-node
# The list: a click on the first row, Shift and a click on the third.
click row a.txt
await_answer a.txt selected-rows
hold=shift click row c.txt
await_answer $'a.txt\nb.txt\nc.txt' selected-rows
# Attributes changed to read-only alone, neither dates nor names.
click rect TCheckBox "ファイル属性の変更"
await_answer checked check "ファイル属性の変更"
await_answer enabled enabled TCheckBox "R：リードオンリー"
click rect TCheckBox "R：リードオンリー"
await_answer checked check "R：リードオンリー"
for box in "H：非表示" "S：システムファイル" "A：アーカイブ" "ファイル日付の変更" "ファイル名の変更"; do
  await_answer unchecked check "$box"
done
await_answer enabled enabled TButton "実行"
for f in a b c d; do writable "$dir/$f.txt" || fail "$f.txt is read-only before the run"; done
[ -z "$shot" ] || window_shot "$shot"
# Its own icon in the title bar.
window_shot "/tmp/vemtar-gui-title-$$.png"
shows_own_icon "/tmp/vemtar-gui-title-$$.png" || fail "the title bar does not show the program's icon"
rm -f "/tmp/vemtar-gui-title-$$.png"
click rect TButton "実行"
# Enter goes to the question once it is the active window with OK, its
# default button, focused.
await_answer 確認 active ||
  fail "no question titled 確認 became the active window (shown: \"$(wintree dialog)\")"
await_answer 'TButton "OK"' focus
xdotool key Return
await_answer VEMTAR active || fail "the question stayed"
for _ in $(seq 50); do
  writable "$dir/a.txt" || writable "$dir/b.txt" || writable "$dir/c.txt" || break
  sleep 0.2
done
# The window answers once the run is over; the rows stay selected.
await_answer $'a.txt\nb.txt\nc.txt' selected-rows

for f in a b c; do ! writable "$dir/$f.txt" || fail "$f.txt did not become read-only"; done
writable "$dir/d.txt" || fail "d.txt, not selected, became read-only"
writable "$witness" || fail "a file outside the directory changed"
echo "gui: a.txt, b.txt and c.txt are read-only ($((SECONDS - start)) s)"
