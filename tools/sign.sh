#!/usr/bin/env bash
# Signs Windows files (ZORMINT.dll, the Windows Installer packages) in place with Authenticode,
# using osslsigncode and a code-signing certificate with its private key in a PKCS#12 file:
#
#   ZORMINT_SIGN_PKCS12=<file.p12> ZORMINT_SIGN_PASSWORD=<its password> \
#     [ZORMINT_SIGN_TIMESTAMP=<RFC 3161 time-stamp server URL>] tools/sign.sh FILE...
#
# The signature uses SHA-256 and names the program "ZORMINT". With a time-stamp server the
# signature stays valid after the certificate expires; signing then needs that server. A file
# that is already signed gets the new signature in place of the old one. A file is replaced
# only when its signing succeeded: on any failure the script stops with a message and a
# non-zero exit code, and the file is left as it was.
#
# The Windows build calls this for ZORMINT.dll and each package when it is configured with
# ZORMINT_SIGN_PKCS12 (cmake/signing.cmake); tools/release.sh builds and signs everything.
set -euo pipefail

fail() { echo "sign.sh: $*" >&2; exit 1; }

[ $# -gt 0 ] || fail "usage: ZORMINT_SIGN_PKCS12=... ZORMINT_SIGN_PASSWORD=... tools/sign.sh FILE..."
[ -n "${ZORMINT_SIGN_PKCS12:-}" ] || fail "ZORMINT_SIGN_PKCS12 (the PKCS#12 file) is not set"
[ -f "$ZORMINT_SIGN_PKCS12" ] || fail "no PKCS#12 file at $ZORMINT_SIGN_PKCS12"
[ -n "${ZORMINT_SIGN_PASSWORD+set}" ] ||
  fail "ZORMINT_SIGN_PASSWORD (the password of $ZORMINT_SIGN_PKCS12) is not set"
command -v osslsigncode >/dev/null || fail "osslsigncode is not installed (tools/deps.sh main)"

timestamp=()
if [ -n "${ZORMINT_SIGN_TIMESTAMP:-}" ]; then
  timestamp=(-ts "$ZORMINT_SIGN_TIMESTAMP")
fi

for file in "$@"; do
  [ -f "$file" ] || fail "no file to sign at $file"
  signed="$(mktemp "$file.signing.XXXXXX")"
  rm -f "$signed"  # osslsigncode writes a new file
  # The password goes through a pipe, never on a command line that others can list.
  if ! osslsigncode sign -pkcs12 "$ZORMINT_SIGN_PKCS12" \
    -readpass <(printf '%s' "$ZORMINT_SIGN_PASSWORD") -h sha256 -n ZORMINT \
    "${timestamp[@]}" -in "$file" -out "$signed" >"$signed.log" 2>&1; then
    cat "$signed.log" >&2
    rm -f "$signed" "$signed.log"
    fail "could not sign $file"
  fi
  rm -f "$signed.log"
  mv -f "$signed" "$file"
done
