#!/usr/bin/env bash
# Builds what ships, signed: ZORMINT.dll for 64-bit and for 32-bit Outlook and the four
# packages (ZORMINT-x64.msi, ZORMINT-AllUsers-x64.msi, ZORMINT-x86.msi, ZORMINT-AllUsers-x86.msi),
# in fresh build trees of their own (build/release/win64, build/release/win32), without the
# tests. Each DLL is signed right after it is linked, before it is packaged; each package right
# after it is built (tools/sign.sh, osslsigncode).
#
#   ZORMINT_SIGN_PKCS12=<file.p12> ZORMINT_SIGN_PASSWORD=<its password> \
#     [ZORMINT_SIGN_TIMESTAMP=<RFC 3161 time-stamp server URL>] tools/release.sh
#
# The files end up in build/release/out (the DLLs as x64/ZORMINT.dll and x86/ZORMINT.dll),
# listed with their SHA-256 sums. Each signature is verified against the certificate chain in the
# PKCS#12 file and the system's certificate authorities. Without ZORMINT_SIGN_PKCS12 the same
# files are built unsigned, and the configuration says so.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
release="$root/build/release"
out="$release/out"
cd "$root"

tools/deps.sh wine >&2

signing=""
if [ -n "${ZORMINT_SIGN_PKCS12:-}" ]; then
  [ -f "$ZORMINT_SIGN_PKCS12" ] || { echo "release.sh: no PKCS#12 file at $ZORMINT_SIGN_PKCS12" >&2; exit 1; }
  [ -n "${ZORMINT_SIGN_PASSWORD+set}" ] || { echo "release.sh: ZORMINT_SIGN_PASSWORD is not set" >&2; exit 1; }
  ZORMINT_SIGN_PKCS12="$(realpath "$ZORMINT_SIGN_PKCS12")"
  export ZORMINT_SIGN_PKCS12
  signing=yes
fi

rm -rf "$out"
mkdir -p "$out/x64" "$out/x86"
for bits in 64 32; do
  case $bits in
    64) triple=x86_64; arch=x64 ;;
    32) triple=i686; arch=x86 ;;
  esac
  tree="$release/win$bits"
  rm -rf "$tree"
  echo "release.sh: building ZORMINT.dll and its packages for $bits-bit Outlook" >&2
  cmake -S "$root" -B "$tree" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$triple.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DZORMINT_TESTS=OFF >"$release/configure-win$bits.log"
  grep -E "are (not )?signed" "$release/configure-win$bits.log" >&2 || true
  cmake --build "$tree" --target zormint_package_user zormint_package_machine \
    -j"$(nproc)" >"$release/build-win$bits.log" 2>&1 ||
    { tail -40 "$release/build-win$bits.log" >&2; exit 1; }
  cp "$tree/bin/ZORMINT.dll" "$out/$arch/ZORMINT.dll"
  cp "$tree/bin/ZORMINT-$arch.msi" "$tree/bin/ZORMINT-AllUsers-$arch.msi" "$out/"
done

files=("$out/x64/ZORMINT.dll" "$out/x86/ZORMINT.dll" "$out"/*.msi)
if [ -n "$signing" ]; then
  # The certificate authorities to verify with: the chain in the PKCS#12 file, then the system's.
  authorities="$(mktemp)"
  trap 'rm -f "$authorities"' EXIT
  openssl pkcs12 -in "$ZORMINT_SIGN_PKCS12" -nokeys -passin env:ZORMINT_SIGN_PASSWORD \
    -out "$authorities"
  [ -f /etc/ssl/certs/ca-certificates.crt ] && cat /etc/ssl/certs/ca-certificates.crt >>"$authorities"
  for file in "${files[@]}"; do
    if ! osslsigncode verify -CAfile "$authorities" -in "$file" >"$release/verify.log" 2>&1; then
      cat "$release/verify.log" >&2
      echo "release.sh: the signature of $file does not verify" >&2
      exit 1
    fi
  done
  echo "release.sh: all ${#files[@]} files are signed and their signatures verify" >&2
else
  echo "release.sh: the files are NOT signed (no ZORMINT_SIGN_PKCS12)" >&2
fi
(cd "$out" && sha256sum x64/ZORMINT.dll x86/ZORMINT.dll ./*.msi)
