# What the tests that use the real program on a virtual display share:
# the Wine environment and desktop, a directory of four files in drive C:
# for them to change, and the failure report. Sourced with $1 the folder of
# VEMTAR.EXE and wintree.exe and $tag the test's short name.
set -euo pipefail
bin="$(cd "$1" && pwd)"
tools="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)"
. "$tools/wine-env"
. "$tools/wine-desktop"
start=$SECONDS

name="$tag$$"
dir="$WINEPREFIX/drive_c/$name"
# Beside it in the drive's root: changed only if the wrong directory is
# listed.
witness="$dir.txt"
trap 'desktop_stop; rm -rf "$dir" "$witness"' EXIT
fail() {
  echo "$tag: $*" >&2
  ls -l "$dir" "$witness" >&2 || true
  timeout 10 import -window root "/tmp/vemtar-$tag-$$.png" 2>/dev/null &&
    echo "$tag: screen in /tmp/vemtar-$tag-$$.png" >&2
  exit 1
}
trap 'fail "stopped at line $LINENO"' ERR
writable() { [ $((0$(stat -c %a "$1") & 0200)) != 0 ]; }

mkdir -p "$dir"
for f in a.txt b.txt c.txt d.txt; do echo x >"$dir/$f"; done
echo x >"$witness"
rm -f "$bin/VEMTAR.INI"  # starts on page 1
# Whether the window picture FILE shows the program's icon at the left of
# its title bar: the red, blue and green bars of the attribute colours.
shows_own_icon() {
  convert "$1" -crop 24x24+0+0 txt:- | awk -F'[(),]' 'NR > 1 {
      if ($3 > 180 && $4 < 80 && $5 < 80) red++
      if ($5 > 180 && $3 < 80 && $4 < 130) blue++
      if ($4 > 130 && $3 < 80 && $5 < 100) green++
    } END { exit !(red && blue && green) }'
}
