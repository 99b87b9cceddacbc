#!/bin/bash
# Uses the real VEMTAR.EXE with the mouse and keys on a virtual display:
# renames a directory and three files with read-only, going below the
# directory, reading the new names in the list's preview first; changes
# one of them by hand; opens 履歴 and takes the run back: everything goes
# back but the file changed since, which is left alone and reported. Then
# a run whose rename box is up when the program is killed, and the same
# run taken back after a new start.
#   gui_journal.sh <folder of VEMTAR.EXE and wintree.exe>
tag=journal
. "$(dirname "${BASH_SOURCE[0]}")/gui_common.sh"
journal="$bin/VEMTAR.LOG"
rm -f "$journal"
trap 'desktop_stop; rm -rf "$dir" "$witness" "$journal"' EXIT
mkdir "$dir/sub"
echo x >"$dir/sub/inner.txt"

# Answers the question titled 確認 with Enter on OK.
confirm() {
  await_answer 確認 active || fail "no question titled 確認 (shown: \"$(wintree dialog)\")"
  await_answer 'TButton "OK"' focus
  xdotool key Return
}
open_directory() {
  click node C:
  await_answer C: selected-node
  xdotool key Right
  click node "$name"
  await_answer "$name" selected-node
}

desktop_start "$bin" "$dir"
open_directory
# The directory (listed first) and a.txt to c.txt.
click row sub
await_answer sub selected-rows
hold=shift click row c.txt
await_answer $'sub\na.txt\nb.txt\nc.txt' selected-rows
click rect TCheckBox "ファイル属性の変更"
click rect TCheckBox "R：リードオンリー"
await_answer checked check "R：リードオンリー"
click rect TCheckBox "ファイル名の変更"
await_answer checked check "ファイル名の変更"
# The pattern is the group's empty edit box; typed, the preview follows.
click rect TEdit ""
xdotool type --delay 30 'n%.2d.%2:s'
await_answer 'n%.2d.%2:s' text TEdit 'n%.2d.%2:s' || { wintree dump | grep -a Edit >&2; fail "the pattern was not typed"; }
# The directory's contents come after it: b.txt is number 3.
await_answer "n03.txt  R" cell b.txt 4 || fail "the preview of b.txt: \"$(wintree cell b.txt 4)\""
await_answer "n00  RD" cell sub 4 || fail "the preview of sub: \"$(wintree cell sub 4)\""
[ -z "$(wintree cell d.txt 4)" ] || fail "d.txt, not selected, has a preview"
click rect TButton "実行"
confirm
for _ in $(seq 50); do [ -e "$dir/n04.txt" ] && break; sleep 0.2; done
for f in n00/n01.txt n02.txt n03.txt n04.txt d.txt; do [ -e "$dir/$f" ] || fail "no $f after the run"; done
for f in n02 n03 n04; do ! writable "$dir/$f.txt" || fail "$f.txt is not read-only"; done
writable "$dir/d.txt" || fail "d.txt, not selected, became read-only"

# One file changed by hand in between: undo must leave it.
chmod u+w "$dir/n03.txt"
touch -d "2001-02-03 04:05:06" "$dir/n03.txt"
click tab "履歴"
await_answer "履歴" page
lines="$(await items TListBox)"
case "$lines" in *"属性と名前"*"$name"*"5 件"*) ;; *) fail "the history page shows \"$lines\"" ;; esac
read -r x y w h < <(await rect TListBox)
xdotool mousemove $((x + 40)) $((y + 8)) click 1
await_answer enabled enabled TButton "実行"
click rect TButton "実行"
confirm
await_answer 情報 active || fail "the entry left alone was not reported (shown: \"$(wintree dialog)\")"
xdotool key Return
await_answer VEMTAR active
for f in sub/inner.txt a.txt c.txt d.txt n03.txt; do [ -e "$dir/$f" ] || fail "no $f after the undo"; done
for f in n00 n01.txt n02.txt n04.txt b.txt; do [ ! -e "$dir/$f" ] && [ ! -e "$dir/sub/$f" ] ||
  fail "$f is still there after the undo"; done
for f in a c; do writable "$dir/$f.txt" || fail "$f.txt is still read-only after the undo"; done
[ "$(stat -c %Y "$dir/n03.txt")" = "$(date -d "2001-02-03 04:05:06" +%s)" ] ||
  fail "n03.txt, changed since the run, was touched by the undo"
lines="$(await items TListBox)"
case "$lines" in *"取り消し"*) ;; *) fail "the undo is not in the history: \"$lines\"" ;; esac

# Killed with a box up in the middle of a run: a.txt already went into
# sub, c.txt finds its name taken there.
echo taken >"$dir/sub/c.txt"
click tab "ファイル属性変更"
await_answer "ファイル属性変更" page
click row a.txt
hold=ctrl click row c.txt
await_answer $'a.txt\nc.txt' selected-rows
click rect TEdit 'n%.2d.%2:s'
xdotool key End shift+Home
xdotool type --delay 30 'sub\%1:s.%2:s'
await_answer 'sub\a.txt  R' cell a.txt 4 || fail "the preview of a.txt: \"$(wintree cell a.txt 4)\""
click rect TButton "実行"
confirm
await_answer ｴﾗｰ active || fail "no rename error box (shown: \"$(wintree dialog)\")"
[ -e "$dir/sub/a.txt" ] || fail "a.txt did not go into sub before the box"
pkill -9 -f 'VEMTAR.EXE' || true
desktop_stop
desktop_start "$bin" "$dir"
await_answer VEMTAR active
click tab "履歴"
lines="$(await items TListBox)"
case "$(head -n1 <<<"$lines")" in *"属性と名前"*) ;; *) fail "the killed run is not the newest: \"$lines\"" ;; esac
read -r x y w h < <(await rect TListBox)
xdotool mousemove $((x + 40)) $((y + 8)) click 1
click rect TButton "実行"
confirm
for _ in $(seq 50); do [ -e "$dir/a.txt" ] && break; sleep 0.2; done
[ -e "$dir/a.txt" ] && [ ! -e "$dir/sub/a.txt" ] || fail "a.txt did not come back after the restart"
writable "$dir/a.txt" || fail "a.txt is still read-only after the restart's undo"
[ "$(cat "$dir/sub/c.txt")" = taken ] && [ -e "$dir/c.txt" ] || fail "c.txt or the file in its way changed"
echo "journal: previewed, run, taken back but the file changed since; killed, restarted, taken back" \
  "($((SECONDS - start)) s)"
