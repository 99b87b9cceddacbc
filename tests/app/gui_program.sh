#!/bin/bash
# Uses the real VEMTAR.EXE as a person does, with mouse clicks and keys on
# a virtual display: opens a directory in the tree, selects three of its
# four files, ticks the attribute change and read-only, presses 実行,
# confirms, and checks the files on disk.
#   gui_program.sh <folder of VEMTAR.EXE and wintree.exe> [screenshot.png]
# Given a file name, it also saves a picture of the window just before
# the run.
set -euo pipefail
bin="$(cd "$1" && pwd)"
shot="${2:+$(realpath -m "$2")}"
tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)"
. "$tools/wine-env"
. "$tools/wine-desktop"
start=$SECONDS

name="gui$$"
dir="$WINEPREFIX/drive_c/$name"
# Beside it in the drive's root: changed only if the wrong directory is
# listed.
witness="$dir.txt"
trap 'desktop_stop; rm -rf "$dir" "$witness"' EXIT
fail() {
  echo "gui: $*" >&2
  ls -l "$dir" "$witness" >&2 || true
  timeout 10 import -window root "/tmp/vemtar-gui-$$.png" 2>/dev/null &&
    echo "gui: screen in /tmp/vemtar-gui-$$.png" >&2
  exit 1
}
trap 'fail "stopped at line $LINENO"' ERR
writable() { [ $((0$(stat -c %a "$1") & 0200)) != 0 ]; }

mkdir -p "$dir"
for f in a.txt b.txt c.txt d.txt; do echo x >"$dir/$f"; done
echo x >"$witness"
rm -f "$bin/VEMTAR.INI"  # starts on page 1
# The program starts on its current drive: C:, the drive of dir.
desktop_start "$bin" "$dir"

# The tree: a click on the drive takes the focus and Right opens it; a
# click on the directory shows it in the list.
click node C:
xdotool key Right
click node "$name"
# The list: a click on the first row, Shift and a click on the third.
click row a.txt
hold=shift click row c.txt
click rect TCheckBox "ファイル属性の変更"
click rect TCheckBox "R：リードオンリー"
for f in a b c d; do writable "$dir/$f.txt" || fail "$f.txt is read-only before the run"; done
[ -z "$shot" ] || window_shot "$shot"
click rect TButton "実行"
title="$(await dialog | iconv -f CP932 -t UTF-8)" || true
[ "$title" = "確認" ] || fail "no question titled 確認 before the run: \"$title\""
xdotool key Return  # OK, the default button
for _ in $(seq 50); do writable "$dir/c.txt" || break; sleep 0.2; done

for f in a b c; do ! writable "$dir/$f.txt" || fail "$f.txt did not become read-only"; done
writable "$dir/d.txt" || fail "d.txt, not selected, became read-only"
writable "$witness" || fail "a file outside the directory changed"
echo "gui: a.txt, b.txt and c.txt are read-only ($((SECONDS - start)) s)"
