#!/bin/bash
# The real VEMTAR.EXE's ヘルプ button, pressed with the mouse on a virtual
# display, opens the platform's help viewer on VEMTAR.HLP beside it, on
# its contents (the viewer's window, not its error box); the viewer is
# closed afterwards. Then, with no viewer on the system, the same button
# opens VEMTAR.HTM in the browser.
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
desktop_stop

# No viewer: the system's viewers are set aside, as on a system that has
# none (the stub of later Windows is tried in process); .htm files go to
# Wine's browser launcher, as on a system with a browser, unless they go
# somewhere already; the browser is a script that writes down what it was
# given. All is put back however the test ends.
kept="$(mktemp -d)"
viewers=("$WINEPREFIX/drive_c/windows/system32/winhlp32.exe" "$WINEPREFIX/drive_c/windows/winhlp32.exe")
added_htm=""
put_back() {
  for i in 0 1; do
    if [ -f "$kept/viewer$i" ]; then mv "$kept/viewer$i" "${viewers[$i]}"; fi
  done
  [ -z "$added_htm" ] || wine reg delete 'HKCR\.htm' /f >/dev/null 2>&1 || true
  wine reg delete 'HKCU\Software\Wine\WineBrowser' /v Browsers /f >/dev/null 2>&1 || true
  rm -rf "$kept"
}
trap 'put_back; desktop_stop; rm -rf "$dir" "$witness"' EXIT
for i in 0 1; do
  if [ -f "${viewers[$i]}" ]; then mv "${viewers[$i]}" "$kept/viewer$i"; fi
done
given="$kept/browser.out"
printf '#!/bin/sh\necho "$@" > "%s"\n' "$given" >"$kept/browser"
chmod +x "$kept/browser"
if ! wine reg query 'HKCR\.htm' >/dev/null 2>&1; then
  added_htm=yes
  wine reg add 'HKCR\.htm' /ve /d htmlfile /f >/dev/null 2>&1
fi
wine reg add 'HKCU\Software\Wine\WineBrowser' /v Browsers /d "$kept/browser" /f >/dev/null 2>&1
desktop_start "$bin" "$dir"
await_answer VEMTAR active
click rect TButton "ヘルプ"
for _ in $(seq 100); do [ -s "$given" ] && break; sleep 0.2; done
[ -s "$given" ] || fail "no browser was started"
grep -qi 'VEMTAR\.HTM' "$given" || fail "the browser was given $(cat "$given")"
! wintree window MS_WINHELP >/dev/null || fail "the help viewer opened instead"
echo "help: the browser was given $(cat "$given") ($((SECONDS - start)) s)"
