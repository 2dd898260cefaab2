#!/usr/bin/env bash
# The main job: builds ZORMINT.dll for 64-bit Outlook, registers it in a Wine prefix the way its
# installer would, and runs the simulated Outlook with the real add-in on the sample mailbox.
# An Explorer opens, a message with pictures is selected and "View All Picture Attachments" is
# clicked; the transcript shows the add-in's buttons, the pictures saved in their ZORMINT$
# working folder and the viewer that Windows started for the first of them.
#
#   tools/main-job.sh [STORY]     STORY defaults to samples/stories/view-all.txt
#
# Prints the transcript on standard output; the build and Wine logs go to <build>/main-job/.
# Exits with outlook-sim's code: 0 when the add-in held nothing of Outlook's after it was
# disconnected. ZORMINT_MAIN_JOB_BUILD=<folder> builds there instead of build/win64 (the same
# configuration, for a developer whose build/win64 is busy).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
story="$(realpath "${1:-$root/samples/stories/view-all.txt}")"
cd "$root"
build="$(realpath -m "${ZORMINT_MAIN_JOB_BUILD:-$root/build/win64}")"
logs="$build/main-job"
prefix="$build/main-job-prefix"

step() { echo "main-job: $*" >&2; }
trap 'echo "main-job: failed; the logs are in $logs" >&2' ERR

tools/deps.sh main >&2

step "building ZORMINT.dll and the simulated Outlook (win64 preset)"
mkdir -p "$logs"
if [ -z "${ZORMINT_MAIN_JOB_BUILD:-}" ]; then
  cmake --preset win64 >"$logs/configure.log" 2>&1 || { cat "$logs/configure.log" >&2; exit 1; }
else
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >"$logs/configure.log" 2>&1 ||
    { cat "$logs/configure.log" >&2; exit 1; }
fi
cmake --build "$build" --target ZORMINT outlook-sim viewer-recorder -j"$(nproc)" \
  >"$logs/build.log" 2>&1 || { tail -50 "$logs/build.log" >&2; exit 1; }
bin="$build/bin"

# Every Wine command goes through wine-run.sh: a timeout, output in files, the prefix and its
# virtual display up.
wine_run() { tools/wine-run.sh --prefix "$prefix" --timeout 120 "$@" >>"$logs/wine.log" 2>&1; }
winpath() { echo "Z:${1//\//\\}"; }

step "preparing a fresh Wine prefix"
tools/wine-prefix.sh --fresh "$prefix" >>"$logs/wine.log" 2>&1
: >"$logs/wine.log"

step "registering ZORMINT.dll with regsvr32"
wine_run regsvr32 /s "$(winpath "$bin/ZORMINT.dll")"
# Wine's COM reads classes from HKLM only; Windows merges the per-user registration in.
wine_run reg copy 'HKCU\Software\Classes' 'HKLM\Software\Classes' /s /f /reg:64

step "registering the viewer recorder as the program that opens every picture type"
# shellcheck source=tools/viewer-association.sh
. tools/viewer-association.sh
regfile="$logs/viewer.reg"
write_viewer_association "$regfile" "\"$(winpath "$bin/viewer-recorder.exe")\" \"%1\""
wine_run reg import "$(winpath "$regfile")" /reg:64

step "running the simulated Outlook: $(basename "$story")"
set +e
tools/wine-run.sh --prefix "$prefix" --timeout 300 "$bin/outlook-sim.exe" \
  "$(winpath "$root/samples/mailbox.txt")" "$(winpath "$story")" \
  >"$logs/transcript.txt" 2>"$logs/outlook-sim.err"
code=$?
set -e
tools/wine-prefix.sh --down "$prefix" >>"$logs/wine.log" 2>&1 || true
cat "$logs/transcript.txt"
[ $code -eq 0 ] || { echo "main-job: outlook-sim.exe exited with $code" >&2; tail -20 "$logs/outlook-sim.err" >&2; }
exit $code
