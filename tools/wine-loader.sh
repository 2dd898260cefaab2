# Sourced by the scripts that run Wine: sets ZORMINT_WINE to the Wine loader that runs on this
# machine, and ZORMINT_WINE32 to 1 when 32-bit Windows programs can run here, else 0.
#
# Debian's `wine` command always starts the 32-bit loader when the 32-bit part of Wine (wine32)
# is installed, and that loader is itself a 32-bit Linux program. On a machine whose kernel runs
# no 32-bit programs, `wine` then fails with "Exec format error" for every program, 64-bit ones
# included. There the 64-bit loader is used directly: 64-bit programs run as usual, and the
# 32-bit DLL is only checked from the Linux side.
if [ -z "${ZORMINT_WINE:-}" ]; then
  if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1 </dev/null; then
    ZORMINT_WINE=wine
    ZORMINT_WINE32=1
  elif [ -x /usr/lib/wine/wine64 ]; then
    ZORMINT_WINE=/usr/lib/wine/wine64
    ZORMINT_WINE32=0
    # Programs that Wine starts (regsvr32, msiexec, the tests' children) use the same loader.
    export WINELOADER=/usr/lib/wine/wine64
  else
    ZORMINT_WINE=wine
    ZORMINT_WINE32=0
  fi
  export ZORMINT_WINE ZORMINT_WINE32
fi
