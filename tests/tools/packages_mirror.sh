#!/bin/bash
# The package set-up on a mirror out of step. The package manager (apt-get,
# dpkg, dpkg-query) is replaced by stand-ins first on PATH that keep their
# own list of installed packages and fail as such a mirror did; the real
# tools/packages then has to find its way, and what it asked and said is
# checked.
#   packages_mirror.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# As another user the set-up goes through sudo, whose own PATH would miss
# the stand-ins.
[ "$(id -u)" = 0 ] || { echo "packages: needs root"; exit 77; }
release="$(. /etc/os-release && echo "${VERSION_CODENAME:-}")"
[ -n "$release" ] || { echo "packages: no release code name"; exit 77; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

cat >"$work/bin/apt-get" <<'SH'
#!/bin/bash
# Log every call; fail per $STANDIN_MODE:
#   update-fails     every index update fails on one index
#   i386-stale       plain installs of :i386 packages break, -t <release> works
#   i386-never       no :i386 package installs at all
#   nothing          every install fails
echo "apt-get $*" >>"$STANDIN/calls"
case "$1" in
  update)
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/x-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
  install)
    shift; pinned=0; pkgs=()
    while [ $# -gt 0 ]; do
      case "$1" in
        -t) pinned=1; shift ;;
        -*) ;;
        *) pkgs+=("$1") ;;
      esac
      shift
    done
    i386=0; for p in "${pkgs[@]}"; do [[ "$p" == *:i386 ]] && i386=1; done
    broken=0
    case "$STANDIN_MODE" in
      i386-stale) [ "$pinned" = 0 ] && [ "$i386" = 1 ] && broken=1 ;;
      i386-never) [ "$i386" = 1 ] && broken=1 ;;
      nothing) broken=1 ;;
    esac
    if [ "$broken" = 1 ]; then
      echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100
    fi
    printf '%s\n' "${pkgs[@]}" >>"$STANDIN/installed" ;;
esac
SH
cat >"$work/bin/dpkg-query" <<'SH'
#!/bin/bash
# dpkg-query -W -f='${Status}' <package>
p="${!#}"
grep -qxF "$p" "$STANDIN/installed" 2>/dev/null || exit 1
printf 'install ok installed'
SH
cat >"$work/bin/dpkg" <<'SH'
#!/bin/bash
case "$1" in
  --print-foreign-architectures) cat "$STANDIN/arch" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STANDIN/arch"; echo "dpkg $*" >>"$STANDIN/calls" ;;
esac
SH
chmod +x "$work/bin"/*

failures=0
# run <mode>: a fresh machine with nothing installed; the output in $out.
run() {
  export STANDIN="$work/$1"
  rm -rf "$STANDIN"; mkdir "$STANDIN"
  set +e
  out="$(PATH="$work/bin:$PATH" STANDIN_MODE="$1" VEMTAR_APT_RETRY_DELAY=0 \
    "$root/tools/packages" 2>&1)"
  rc=$?
  set -e
  calls="$(cat "$STANDIN/calls")"
}
check() {  # check <what> <condition...>
  local what="$1"; shift
  if ! "$@"; then
    echo "FAIL [$mode] $what"; echo "--- output:"; echo "$out"; echo "--- calls:"; echo "$calls"
    failures=$((failures + 1))
  fi
}
has() { grep -q -- "$2" <<<"$1"; }
count() { grep -c -- "$2" <<<"$1" || true; }
lacks() { ! has "$@"; }
installed() { grep -qxF "$1" "$STANDIN/installed"; }
not_installed() { ! installed "$1"; }

# The index fails three times, the set-up goes on with what is there; the
# plain install breaks on the stale i386 builds, the release's own versions
# install everything, the 32-bit set among them.
mode=i386-stale; run $mode
check "exits 0" [ "$rc" = 0 ]
check "adds i386" has "$calls" "dpkg --add-architecture i386"
check "updates 3 times" [ "$(count "$calls" '^apt-get update')" = 3 ]
check "says it goes on" has "$out" "going on with the indexes there are"
check "names the index fault" has "$out" "Mirror sync in progress?"
check "plain install first" has "$(sed -n '5p' <<<"$calls")" "^apt-get install -y"
check "then the release's versions" has "$(sed -n '6p' <<<"$calls")" "install -y -qq --no-install-recommends -t $release"
check "says so" has "$out" "trying again with $release's own versions"
check "no 64-bit fallback" lacks "$out" "64-bit"
check "wine32 installed" installed wine32:i386
check "two installs only" [ "$(count "$calls" '^apt-get install')" = 2 ]

# No i386 package installs at all: the rest goes in (64-bit Wine and the
# 64-bit X libraries its driver needs), and the set-up says why the 64-bit
# build is tested.
mode=i386-never; run $mode
check "exits 0" [ "$rc" = 0 ]
check "three installs" [ "$(count "$calls" '^apt-get install')" = 3 ]
check "the rest without i386" lacks "$(sed -n '$p' <<<"$calls")" ":i386"
check "the rest at the release's versions" has "$(sed -n '$p' <<<"$calls")" "-t $release"
check "wine64 installed" installed wine64
check "64-bit X library installed" installed libxrender1
check "no wine32" not_installed wine32:i386
check "one line says what and why" [ "$(count "$out" 'cannot be installed (Unable to correct problems, you have held broken packages.): the tests build and run the 64-bit program under 64-bit Wine')" = 1 ]

# Nothing installs: a failure, told.
mode=nothing; run $mode
check "exits non-zero" [ "$rc" != 0 ]
check "says what is missing" has "$out" "setup: cannot install .*cmake"

# Everything already there: no index update, no install.
mode=i386-stale; run $mode
cp "$STANDIN/installed" "$work/all"; echo i386 >"$work/arch"
export STANDIN="$work/present"; rm -rf "$STANDIN"; mkdir "$STANDIN"
cp "$work/all" "$STANDIN/installed"; cp "$work/arch" "$STANDIN/arch"; : >"$STANDIN/calls"
mode=present
set +e
out="$(PATH="$work/bin:$PATH" STANDIN_MODE=nothing "$root/tools/packages" 2>&1)"; rc=$?
set -e
calls="$(cat "$STANDIN/calls")"
check "exits 0" [ "$rc" = 0 ]
check "asks apt nothing" [ -z "$calls" ]

[ "$failures" = 0 ] || exit 1
echo "packages: mirror out of step, i386 never, nothing installable, all present: as expected"
