#!/bin/bash
# The real VEMTAR.EXE's ヘルプ button, pressed with the mouse on a virtual
# display, opens the platform's help viewer on VEMTAR.HLP beside it, on
# its contents (the viewer's window, not its error box); the viewer is
# closed afterwards.
#   gui_help.sh <folder of VEMTAR.EXE, VEMTAR.HLP and wintree.exe> [screenshot.png]
shot="${2:+$(realpath -m "$2")}"
tag=help
. "$(dirname "${BASH_SOURCE[0]}")/gui_common.sh"
[ -f "$bin/VEMTAR.HLP" ] || fail "no VEMTAR.HLP beside the program"
desktop_start "$bin" "$dir"
await_answer VEMTAR active
click rect TButton "ヘルプ"
# The viewer's main window, and no box of another program beside it (the
# viewer's error when it cannot read the file).
await window MS_WINHELP >/dev/null ||
  fail "no help viewer opened"
! wintree window "#32770" >/dev/null || fail "the viewer reported an error: $(wintree window '#32770')"
[ -z "$shot" ] || { sleep 1; timeout 10 import -window root "$shot"; }
wintree close-window MS_WINHELP
for _ in $(seq 50); do wintree window MS_WINHELP >/dev/null || break; sleep 0.2; done
! wintree window MS_WINHELP >/dev/null || fail "the viewer did not close"
echo "help: the viewer showed VEMTAR.HLP ($((SECONDS - start)) s)"
