#!/usr/bin/env bash
# Prepares the Wine prefix that the Windows tests run in, and the virtual display they use.
#
#   tools/wine-prefix.sh PREFIX          make PREFIX unless it is ready
#   tools/wine-prefix.sh --fresh PREFIX  replace PREFIX by a fresh one
#   tools/wine-prefix.sh --up PREFIX     make PREFIX unless it is ready, then start (once) its
#                                        virtual display, its wineserver and Wine's background
#                                        processes; tools/wine-run.sh does this before each run
#   tools/wine-prefix.sh --down PREFIX   stop the wineserver of PREFIX and its virtual display
#
# A prefix is a copy of a template that is made once per Wine installation (wineboot takes
# 15-20 s, a copy about 1 s) and cached in $ZORMINT_WINE_CACHE (default build/wine/ of the source tree). The template has
# the window manager integration off (no window manager runs: with it on, every window close
# waits 2 s and dialogs lack their caption), Wine's fonts in C:\windows\Fonts (or Tahoma is
# missing), and winemenubuilder disabled (no menu entries or file associations on the host).
#
# Wine's background processes inherit the output of the Wine command that starts them, and a
# pipe they hold open never closes: every Wine command here writes to files, never to a pipe.
# Every Wine command runs under `timeout`.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=tools/wine-loader.sh
. "$root/tools/wine-loader.sh"
cache="${ZORMINT_WINE_CACHE:-$root/build/wine}"
template="$cache/template-win64"

export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d"

die() {
  echo "wine-prefix.sh: $*" >&2
  exit 1
}

# Creates the template prefix (once; callers hold the cache lock).
make_template() {
  [ -f "$template/.zormint-ready" ] && [ "$(cat "$template/.zormint-ready")" = "$version" ] &&
    return 0
  local tmp="$template.tmp.$$" log="$cache/template-win64.log"
  rm -rf "$tmp" "$template"
  mkdir -p "$tmp"
  echo "wine-prefix.sh: creating the Wine prefix template (about 20 s)" >&2
  (
    export WINEPREFIX="$tmp"
    unset DISPLAY WAYLAND_DISPLAY
    : >"$log"
    timeout 300 "$ZORMINT_WINE" wineboot -i >>"$log" 2>&1 </dev/null
    for value in Managed Decorated; do
      timeout 60 "$ZORMINT_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d N /f \
        >>"$log" 2>&1 </dev/null
    done
    # The server writes the registry to disk when it exits, after its last client.
    timeout 120 wineserver -w >>"$log" 2>&1 </dev/null
  ) || die "wineboot failed; see $log"
  grep -q '"Managed"="N"' "$tmp/user.reg" || die "the X11 driver settings did not reach $tmp/user.reg"
  mkdir -p "$tmp/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$tmp/drive_c/windows/Fonts/" 2>/dev/null ||
    die "no fonts in /usr/share/wine/fonts (fonts-wine)"
  echo "$version" >"$tmp/.zormint-ready"
  mv "$tmp" "$template"
}

# Makes PREFIX from the template unless it is ready (callers hold the prefix's lock). The
# program files (690 MB of them: this Wine copies its PE DLLs into the prefix) are hard links to
# the template's, which nothing writes to; every other file (registry, .ini and .inf files,
# fonts) is a copy of its own, since Wine rewrites some of them in place.
make_prefix() {
  local prefix="$1" tmp="$1.tmp.$$"
  [ -f "$prefix/.zormint-ready" ] && [ "$(cat "$prefix/.zormint-ready")" = "$version" ] && return 0
  mkdir -p "$cache"
  (
    flock -w 600 9 || die "timed out waiting for $cache/template.lock"
    make_template 9>&-
  ) 9>"$cache/template.lock"
  rm -rf "$prefix" "$tmp"
  mkdir -p "$(dirname "$prefix")"
  cp -al "$template" "$tmp"
  (cd "$template" && find . -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' \
    -o -iname '*.sys' -o -iname '*.ocx' -o -iname '*.cpl' -o -iname '*.acm' -o -iname '*.tlb' \
    -o -iname '*.msstyles' \) -print0) |
    (cd "$tmp" && xargs -0 -I{} cp -p --remove-destination "$template/{}" "{}")
  mv "$tmp" "$prefix"
}

# The virtual display of PREFIX: "$prefix.display" holds its number and the Xvfb process id.
xvfb_alive() {
  local state="$1.display" number pid
  [ -f "$state" ] || return 1
  read -r number pid <"$state" || return 1
  [ -n "${pid:-}" ] && [ -e "/tmp/.X11-unix/X$number" ] &&
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q "^Xvfb :$number "
}

start_xvfb() {
  local prefix="$1" number pid
  xvfb_alive "$prefix" && return 0
  command -v Xvfb >/dev/null || die "Xvfb is not installed (tools/deps.sh main)"
  for number in $(seq 90 189); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    setsid Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$prefix.xvfb.log" 2>&1 \
      </dev/null 9>&- &
    pid=$!
    for _ in $(seq 100); do
      [ -e "/tmp/.X11-unix/X$number" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if [ -e "/tmp/.X11-unix/X$number" ] && kill -0 "$pid" 2>/dev/null; then
      echo "$number $pid" >"$prefix.display"
      return 0
    fi
    kill "$pid" 2>/dev/null || true
  done
  die "could not start Xvfb; see $prefix.xvfb.log"
}

up() {
  local prefix="$1" number pid
  make_prefix "$prefix"
  start_xvfb "$prefix"
  read -r number pid <"$prefix.display"
  # A persistent wineserver (it stays 30 s after its last client) and the background processes
  # that wineboot starts, all with their output in files and on the virtual display: the
  # desktop binds to the display it first sees.
  export WINEPREFIX="$prefix" DISPLAY=":$number"
  timeout 30 wineserver -p30 >>"$prefix.wineserver.log" 2>&1 </dev/null 9>&- || true
  timeout 120 "$ZORMINT_WINE" wineboot >>"$prefix.wineserver.log" 2>&1 </dev/null 9>&- ||
    die "wineboot failed in $prefix; see $prefix.wineserver.log"
}

down() {
  local prefix="$1" number pid
  if [ -d "$prefix" ]; then
    WINEPREFIX="$prefix" timeout 30 wineserver -k >/dev/null 2>&1 </dev/null 9>&- || true
    WINEPREFIX="$prefix" timeout 30 wineserver -w >/dev/null 2>&1 </dev/null 9>&- || true
  fi
  if xvfb_alive "$prefix"; then
    read -r number pid <"$prefix.display"
    kill "$pid" 2>/dev/null || true
  fi
  rm -f "$prefix.display"
}

command -v "$ZORMINT_WINE" >/dev/null || die "wine is not installed (tools/deps.sh main)"
# What a prefix was made by: the Wine version, and whether the 32-bit part of Wine (wine32)
# could run to set up the prefix's 32-bit side (C:\windows\syswow64).
version="$("$ZORMINT_WINE" --version 2>/dev/null </dev/null)"
[ "$ZORMINT_WINE32" = 1 ] && version="$version wow64"

mode=ensure
case "${1:-}" in
  --fresh | --up | --down) mode="${1#--}"; shift ;;
esac
[ $# -eq 1 ] || die "usage: wine-prefix.sh [--fresh|--up|--down] PREFIX"
prefix="$(realpath -m "$1")"
mkdir -p "$(dirname "$prefix")"

(
  flock -w 600 9 || die "timed out waiting for $prefix.lock"
  case "$mode" in
    ensure) make_prefix "$prefix" ;;
    fresh) down "$prefix"; rm -rf "$prefix"; make_prefix "$prefix" ;;
    up) up "$prefix" ;;
    down) down "$prefix" ;;
  esac
) 9>"$prefix.lock"
