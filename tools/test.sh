#!/usr/bin/env bash
# Runs every test: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows build's tests under Wine. Installs what is missing first. Ends with one line
# per suite, saying whether it ran (and how it went) or was off and why, and the totals.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh tests

logs="build/test-logs"
mkdir -p "$logs"
summary=()
passed=0
failed=0

# suite NAME PRESET: configure, build and test one preset; its ctest output also goes to a log.
suite() {
  local name="$1" preset="$2"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j"$(nproc)"
  local code=0
  ctest --preset "$preset" -j"$(nproc)" --output-log "$logs/$preset.log" || code=$?
  local line total bad
  line="$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$logs/$preset.log" | tail -1)"
  total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")"
  bad="$(sed -E 's/.*, ([0-9]+) tests failed.*/\1/' <<<"$line")"
  passed=$((passed + ${total:-0} - ${bad:-0}))
  failed=$((failed + ${bad:-0}))
  summary+=("$name: ran, ${line:-no result line}")
  return $code
}

report() {
  echo
  echo "Summary:"
  printf '  %s\n' "${summary[@]}"
  echo "tests: $passed passed, $failed failed"
}
trap report EXIT

suite "native (ASan/UBSan)" native

# The Windows build: ZORMINT.dll for 64-bit Outlook, with its tests under Wine (in a Wine prefix
# of build/win64 made from a template cached in build/wine), and for 32-bit Outlook, whose DLL
# is checked from the Linux side (and under Wine too when the 32-bit Wine runs here). Each
# build also packages its DLL for the current user and for every user (bin/ZORMINT-x64.msi and
# ZORMINT-AllUsers-x64.msi, the x86 ones) and tests the packages.
suite "win64 (the 64-bit DLL under Wine)" win64

# shellcheck source=tools/wine-loader.sh
. tools/wine-loader.sh
if [ "$ZORMINT_WINE32" = 1 ]; then
  suite "win32 (the 32-bit DLL under Wine)" win32
else
  if [ -x /usr/lib/wine/wine ]; then
    why="this machine does not run the 32-bit Wine"
  else
    why="the 32-bit Wine (wine32:i386) is not installed"
  fi
  suite "win32 (the 32-bit DLL, Wine tests off: $why; checked from the Linux side)" win32
fi
