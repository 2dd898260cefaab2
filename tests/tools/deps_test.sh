#!/usr/bin/env bash
# tools/deps.sh against stand-in apt-get, dpkg-query and dpkg on PATH: a package index that keeps
# failing, a 32-bit package that cannot be installed, a package that does not exist, a machine
# that runs no 32-bit programs, and a machine that already has everything.
set -uo pipefail
deps="$(cd "$(dirname "$0")/../.." && pwd)/tools/deps.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stubs="$work/bin"
mkdir -p "$stubs"

# The stand-ins keep their state in files: the installed packages, the calls made.
cat >"$stubs/dpkg-query" <<'STUB'
#!/usr/bin/env bash
pkg="${!#}"
grep -qxF "$pkg" "$STUB/installed" && { printf 'install ok installed'; exit 0; }
exit 1
STUB
cat >"$stubs/dpkg" <<'STUB'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STUB/calls"
[ "$1" = --print-foreign-architectures ] && cat "$STUB/architectures"
[ "$1" = --add-architecture ] && echo "$2" >>"$STUB/architectures"
exit 0
STUB
cat >"$stubs/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB/calls"
if [ "$1" = update ]; then
  [ -f "$STUB/update-fails" ] || exit 0
  echo "E: Failed to fetch .../binary-i386/Packages.xz  File has unexpected size" >&2
  exit 100
fi
shift
packages=()
for a in "$@"; do [[ "$a" == -* ]] || packages+=("$a"); done
for p in "${packages[@]}"; do
  grep -qxF "$p" "$STUB/uninstallable" && { echo "E: Unable to locate package $p" >&2; exit 100; }
done
printf '%s\n' "${packages[@]}" >>"$STUB/installed"
STUB
printf '#!/usr/bin/env bash\nexec "$@"\n' >"$stubs/sudo"
chmod +x "$stubs"/*

passed=0
failed=0
check() {  # check NAME CONDITION...
  local name="$1"
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name" >&2
    echo "--- output:" >&2; cat "$STUB/out" >&2; echo "--- calls:" >&2; cat "$STUB/calls" >&2; fi
}
# A fresh machine state: nothing installed, no foreign architecture, no calls yet.
fresh() {
  export STUB="$work/state.$1"
  mkdir -p "$STUB"
  : >"$STUB/installed"; : >"$STUB/calls"; : >"$STUB/architectures"; : >"$STUB/uninstallable"
}
run() {  # run MODE [VAR=VALUE...]: deps.sh with the stand-ins, its exit code in $code
  local mode="$1"
  shift
  env PATH="$stubs:$PATH" ZORMINT_APT_PAUSE=0 "$@" bash "$deps" "$mode" >"$STUB/out" 2>&1
  code=$?
}
calls() { grep -c "$1" "$STUB/calls"; }
said() { grep -q "$1" "$STUB/out"; }

# An index that fails on every try: three tries, then the packages install and the run goes on.
fresh failing-index
touch "$STUB/update-fails"
run main ZORMINT_RUNS_32BIT=1
check "failing index: goes on" [ "$code" -eq 0 ]
check "failing index: three tries" [ "$(calls 'apt-get update')" -eq 3 ]
check "failing index: says so" said "still reports a failed index"
check "failing index: packages installed" grep -qxF wixl "$STUB/installed"
check "main job: no 32-bit package" [ "$(grep -c i386 "$STUB/calls")" -eq 0 ]

# The tests' 32-bit Wine cannot be installed: the rest is, and the run goes on.
fresh no-wine32
touch "$STUB/update-fails"
echo "wine32:i386" >"$STUB/uninstallable"
run tests ZORMINT_RUNS_32BIT=1
check "no wine32: goes on" [ "$code" -eq 0 ]
check "no wine32: the rest installed" grep -qxF g++-mingw-w64-i686-posix "$STUB/installed"
check "no wine32: i386 architecture added" grep -qxF i386 "$STUB/architectures"
check "no wine32: says the 32-bit tests are off" said "wine32:i386: the 32-bit DLL's Wine tests are off"

# A package that does not exist: the run stops and names the packages and the command again.
fresh missing-package
echo "wixl" >"$STUB/uninstallable"
run main
check "missing package: stops" [ "$code" -eq 1 ]
check "missing package: names it" said "could not install: .*wixl"
check "missing package: says what to run again" said "tools/deps.sh main"

# No 32-bit programs on this machine: wine32 is not asked for, and the script says so once.
fresh no-32bit
run tests ZORMINT_RUNS_32BIT=0
check "no 32-bit: goes on" [ "$code" -eq 0 ]
check "no 32-bit: wine32 not asked for" [ "$(calls 'wine32')" -eq 0 ]
check "no 32-bit: said once" [ "$(grep -c "does not run 32-bit programs" "$STUB/out")" -eq 1 ]

# Everything there already: no call to apt-get at all.
fresh complete
run main
printf '%s\n' cmake make libgtest-dev wine wine64 g++-mingw-w64-x86-64-posix mingw-w64-tools \
  libwine-dev xvfb xauth fonts-wine imagemagick xdotool msitools wixl osslsigncode openssl \
  >"$STUB/installed"
: >"$STUB/calls"
run main
check "complete: nothing to do" [ "$code" -eq 0 ]
check "complete: no apt-get call" [ "$(calls 'apt-get')" -eq 0 ]

# Only the optional 32-bit Wine missing, and it cannot be had: one update try, no retries, so that
# such a machine loses no time on every run.
fresh optional-only
run tests ZORMINT_RUNS_32BIT=1
grep -vxF wine32:i386 "$STUB/installed" >"$STUB/kept"; mv "$STUB/kept" "$STUB/installed"
echo wine32:i386 >"$STUB/uninstallable"
touch "$STUB/update-fails"
: >"$STUB/calls"
run tests ZORMINT_RUNS_32BIT=1
check "optional only: goes on" [ "$code" -eq 0 ]
check "optional only: one update try" [ "$(calls 'apt-get update')" -eq 1 ]
check "optional only: only wine32 asked for" [ "$(grep -c 'apt-get install' "$STUB/calls")" -eq 1 ]

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
