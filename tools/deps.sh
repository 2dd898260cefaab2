#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
# Usage: tools/deps.sh native|wine|all
set -euo pipefail

native=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev python3
        python3-pil clang-format libxml2-dev)
wine=(wine wine64 g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev
      xvfb xauth fonts-wine imagemagick xdotool msitools wixl osslsigncode openssl wine32:i386)

case "${1:-all}" in
  native) want=("${native[@]}") ;;
  wine) want=("${wine[@]}") ;;
  *) want=("${native[@]}" "${wine[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
# The 32-bit Wine (which runs the 32-bit DLL's tests) comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386
then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
