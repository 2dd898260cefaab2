#!/usr/bin/env bash
# Installs the Debian packages a command needs, when any is missing.
#
#   tools/deps.sh main|native|wine|tests|all
#
#   main    the main job and tools/outlook-window.sh: the 64-bit Windows build and Wine
#   wine    both Windows builds and the 64-bit Wine (tools/release.sh)
#   native  the native build and its tests
#   tests   (or all) everything tools/test.sh runs: native, both Windows builds, and the
#           32-bit Wine when this machine can have it
#
# The 32-bit Wine (wine32:i386, which runs the 32-bit DLL's tests) is optional: when this machine
# cannot run 32-bit programs or the package cannot be installed, the script says so once and goes
# on; the 32-bit DLL is then checked from the Linux side only. A package index that fails to
# download (a mirror in the middle of a sync) is retried; if it still fails, the script goes on
# as long as the packages install, and otherwise stops naming them.
#
# ZORMINT_APT_TRIES (default 3) and ZORMINT_APT_PAUSE (seconds, default 10) set the retries;
# ZORMINT_RUNS_32BIT=0|1 skips the check of whether 32-bit programs run here.
set -euo pipefail

native=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev python3
        python3-pil clang-format libxml2-dev)
# The 64-bit build needs GoogleTest's sources (libgtest-dev) for its Wine test programs, and the
# installer tools to configure.
win64=(cmake make libgtest-dev wine wine64 g++-mingw-w64-x86-64-posix mingw-w64-tools libwine-dev
       xvfb xauth fonts-wine imagemagick xdotool msitools wixl osslsigncode openssl)
win32=(g++-mingw-w64-i686-posix)
optional32=(wine32:i386)

case "${1:-all}" in
  main) want=("${win64[@]}"); optional=() ;;
  native) want=("${native[@]}"); optional=() ;;
  wine) want=("${win64[@]}" "${win32[@]}"); optional=() ;;
  tests | all) want=("${native[@]}" "${win64[@]}" "${win32[@]}"); optional=("${optional32[@]}") ;;
  *) echo "usage: tools/deps.sh main|native|wine|tests|all" >&2; exit 2 ;;
esac

say() { echo "deps: $*" >&2; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Whether this machine runs 32-bit x86 programs: a 93-byte static i386 program that only exits.
runs_32bit() {
  [ -n "${ZORMINT_RUNS_32BIT:-}" ] && { [ "$ZORMINT_RUNS_32BIT" = 1 ]; return; }
  local probe
  probe="$(mktemp)"
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000'\
'\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000'\
'\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010'\
'\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\061\333\270\001\000\000'\
'\000\315\200' >"$probe"
  chmod +x "$probe"
  local result=0
  "$probe" >/dev/null 2>&1 </dev/null || result=1
  rm -f "$probe"
  return $result
}

missing=()
for p in "${want[@]}"; do
  installed "$p" || missing+=("$p")
done
missing_optional=()
for p in "${optional[@]}"; do
  installed "$p" && continue
  if ! runs_32bit; then
    say "this machine does not run 32-bit programs: $p is not installed, and the 32-bit DLL's" \
        "Wine tests are off (it is still built and checked from the Linux side)"
    continue
  fi
  missing_optional+=("$p")
done
[ ${#missing[@]} -eq 0 ] && [ ${#missing_optional[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

if [[ " ${missing_optional[*]} " == *":i386 "* ]] &&
   ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi

# One index that fails (apt-get update exits 100 then) leaves the others usable: retry a few
# times, then go on with what was downloaded.
tries="${ZORMINT_APT_TRIES:-3}"
# Only the optional package missing: one try, so that a machine that cannot have it loses no time.
[ ${#missing[@]} -eq 0 ] && tries=1
pause="${ZORMINT_APT_PAUSE:-10}"
updated=0
for ((try = 1; try <= tries; try++)); do
  if $sudo apt-get update -qq; then
    updated=1
    break
  fi
  [ $try -lt $tries ] && { say "apt-get update failed (try $try of $tries); again in $pause s"; sleep "$pause"; }
done
[ $updated -eq 1 ] ||
  say "apt-get update still reports a failed index after $tries tries; going on with the others"

if [ ${#missing[@]} -gt 0 ]; then
  say "installing: ${missing[*]}"
  if ! $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
    say "could not install: ${missing[*]}"
    say "the package index may be in the middle of an update; try again later with:"
    say "  ${sudo:+sudo }tools/deps.sh ${1:-all}"
    exit 1
  fi
fi

if [ ${#missing_optional[@]} -gt 0 ]; then
  say "installing: ${missing_optional[*]}"
  if ! $sudo apt-get install -y -qq --no-install-recommends "${missing_optional[@]}"; then
    say "could not install ${missing_optional[*]}: the 32-bit DLL's Wine tests are off (it is" \
        "still built and checked from the Linux side)"
  fi
fi
exit 0
