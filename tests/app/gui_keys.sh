#!/bin/bash
# Uses the real VEMTAR.EXE with the keyboard alone on a virtual display:
# Tab into the tree, arrows to a directory and Enter to open it, Tab into
# the list and Shift+arrows over three of its four files, Tab and Space on
# the attribute change and read-only, Tab to 実行 and Space, Enter on the
# question; then the files on disk. Also Ctrl+Tab and Ctrl+Shift+Tab
# through the pages.
#   gui_keys.sh <folder of VEMTAR.EXE and wintree.exe>
tag=keys
. "$(dirname "${BASH_SOURCE[0]}")/gui_common.sh"

# Presses key until wintree's focus answers want (at most 30 presses).
press_until() {
  local key="$1" want="$2"
  for _ in $(seq 30); do
    [ "$(wintree focus)" = "$want" ] && return
    xdotool key "$key"
    sleep 0.05
  done
  fail "$key never reached $want (focus: \"$(wintree focus)\")"
}

desktop_start "$bin" "$dir"
await_answer VEMTAR active

# Pages by the keyboard: Ctrl+Tab to the version page (past the removal and
# restore pages, which prepare themselves) and the history page, round to
# page 1, Ctrl+Shift+Tab back round.
xdotool key ctrl+Tab
await_answer "システムファイル属性解除" page
xdotool key ctrl+Tab ctrl+Tab
await_answer "バージョン" page
await_answer disabled enabled TButton "実行"
xdotool key ctrl+Tab
await_answer "履歴" page
xdotool key ctrl+Tab
await_answer "ファイル属性変更" page
xdotool key ctrl+shift+Tab ctrl+Tab
await_answer "ファイル属性変更" page

# The tree: reached by Tab, C: opened with Right, the directory reached
# with the arrows and opened with Enter.
press_until Tab 'TTreeView ""'
xdotool key Home Right
for _ in $(seq 40); do
  [ "$(wintree selected-node)" = "$name" ] && break
  xdotool key Down
done
await_answer "$name" selected-node
xdotool key Return
await_answer 4 rows
# The list: the first row, then Shift+Down twice.
press_until Tab 'TListView ""'
xdotool key Home shift+Down shift+Down
await_answer $'a.txt\nb.txt\nc.txt' selected-rows
# Attributes, read-only alone.
press_until Tab 'TCheckBox "ファイル属性の変更"'
xdotool key space
await_answer checked check "ファイル属性の変更"
press_until Tab 'TCheckBox "R：リードオンリー"'
xdotool key space
await_answer checked check "R：リードオンリー"
# Shift+Tab goes back.
xdotool key shift+Tab
await_answer 'TCheckBox "ファイル属性の変更"' focus
for f in a b c d; do writable "$dir/$f.txt" || fail "$f.txt is read-only before the run"; done
press_until Tab 'TButton "実行"'
xdotool key space
await_answer 確認 active ||
  fail "no question titled 確認 became the active window (shown: \"$(wintree dialog)\")"
await_answer 'TButton "OK"' focus
xdotool key Return
await_answer VEMTAR active || fail "the question stayed"
await_answer $'a.txt\nb.txt\nc.txt' selected-rows

for f in a b c; do ! writable "$dir/$f.txt" || fail "$f.txt did not become read-only"; done
writable "$dir/d.txt" || fail "d.txt, not selected, became read-only"
writable "$witness" || fail "a file outside the directory changed"
echo "keys: a.txt, b.txt and c.txt are read-only, by the keyboard alone ($((SECONDS - start)) s)"
