#!/usr/bin/env bash
# Runs every test: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows build's tests under Wine. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh all

cmake --preset native
cmake --build --preset native -j"$(nproc)"
ctest --preset native -j"$(nproc)"

# The Windows build: ZORMINT.dll for 64-bit Outlook, with its tests under Wine (in a Wine prefix
# of build/win64 made from a template cached in build/wine), and for 32-bit Outlook, whose DLL
# is checked from the Linux side (and under Wine too when the 32-bit Wine is installed). Each
# build also packages its DLL for the current user and for every user (bin/ZORMINT-x64.msi and
# ZORMINT-AllUsers-x64.msi, the x86 ones) and tests the packages.
cmake --preset win64
cmake --build --preset win64 -j"$(nproc)"
ctest --preset win64 -j"$(nproc)"

cmake --preset win32
cmake --build --preset win32 -j"$(nproc)"
ctest --preset win32 -j"$(nproc)"
