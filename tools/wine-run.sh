#!/usr/bin/env bash
# Runs a Windows program under Wine: the CMAKE_CROSSCOMPILING_EMULATOR of the Windows builds,
# and the way to run one by hand.
#
#   tools/wine-run.sh [--prefix PREFIX] [--timeout SECONDS] PROGRAM [ARGUMENTS...]
#
# PREFIX defaults to $ZORMINT_WINEPREFIX, else build/wine/prefix-win64; it is made when missing
# and brought up with its virtual display (tools/wine-prefix.sh --up). The program runs with
# WINEDEBUG=-all unless WINEDEBUG is set, without proxy variables (WinInet would honour them),
# and is stopped after SECONDS (default $ZORMINT_WINE_TIMEOUT, else 300). Its output goes to
# files first and is copied to this script's output when it ends: Wine's background processes
# would otherwise inherit a pipe (CTest's) and keep it open.
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=tools/wine-loader.sh
. "$root/tools/wine-loader.sh"
prefix="${ZORMINT_WINEPREFIX:-$root/build/wine/prefix-win64}"
seconds="${ZORMINT_WINE_TIMEOUT:-300}"
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix="$2"; shift 2 ;;
    --timeout) seconds="$2"; shift 2 ;;
    *) break ;;
  esac
done
if [ $# -eq 0 ]; then
  echo "usage: wine-run.sh [--prefix PREFIX] [--timeout SECONDS] PROGRAM [ARGUMENTS...]" >&2
  exit 2
fi
prefix="$(realpath -m "$prefix")"

"$root/tools/wine-prefix.sh" --up "$prefix" || exit 1
read -r number _ <"$prefix.display"

export WINEPREFIX="$prefix" WINEARCH=win64 DISPLAY=":$number"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
unset http_proxy https_proxy ftp_proxy all_proxy no_proxy
unset HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY

out="$(mktemp)"
err="$(mktemp)"
trap 'rm -f "$out" "$err"' EXIT
# Wine writes its debug channels to the Unix standard error of the program and of every program
# it starts; a test that reads a channel finds that file here.
export ZORMINT_WINE_STDERR="$err"
timeout -k 10 "$seconds" "$ZORMINT_WINE" "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"
cat "$err" >&2
[ $rc -eq 124 ] && echo "wine-run.sh: stopped after ${seconds} s: $*" >&2
exit $rc
