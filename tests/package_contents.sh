#!/bin/bash
# The users' archive holds the 32-bit program, its help (WinHelp and HTML)
# and the Japanese read-me, and nothing else: never a disk-tool stand-in of
# the tests.
#   package_contents.sh <folder of VEMTAR.EXE and VEMTAR.HLP>
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -f "$1/SCANDSKW.EXE" ] || { echo "package: the stand-ins should be beside the build's program" >&2; exit 1; }
"$root/tools/package" --from "$1" "$work/VEMTAR.zip" >/dev/null
python3 - "$work/VEMTAR.zip" "$1/VEMTAR.HLP" <<'PY'
import struct, sys, zipfile
archive, help_file = sys.argv[1:]
z = zipfile.ZipFile(archive)
names = sorted(z.namelist())
assert names == ["README.TXT", "VEMTAR.EXE", "VEMTAR.HLP", "VEMTAR.HTM"], names
exe = z.read("VEMTAR.EXE")
pe = struct.unpack_from("<I", exe, 0x3C)[0]
assert exe[:2] == b"MZ" and exe[pe:pe + 4] == b"PE\0\0", "not a program"
assert struct.unpack_from("<H", exe, pe + 4)[0] == 0x14C, "not the 32-bit build"
assert z.read("VEMTAR.HLP") == open(help_file, "rb").read()
assert z.read("VEMTAR.HTM") == open(help_file[:-4] + ".HTM", "rb").read()
text = z.read("README.TXT")
assert b"\r\n" in text and b"\n" not in text.replace(b"\r\n", b"")
readme = text.decode("cp932")
for words in ("VEMTAR.INI", "アンインストール", "VEMTAR.HLP"):
    assert words in readme, words
print("package: VEMTAR.EXE (32-bit), VEMTAR.HLP, VEMTAR.HTM, README.TXT and nothing else")
PY
