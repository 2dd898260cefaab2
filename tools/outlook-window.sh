#!/usr/bin/env bash
# Starts the simulated Outlook in windows with the real ZORMINT.dll, for a person to try the
# add-in: a main window with the sample mailbox's folders and messages and the "Standard"
# toolbar with the add-in's two buttons. Select a message with pictures and press "Zormint", or
# the landscape button for the "Select Picture Attachments" dialog; double-click a message to
# open it in a window of its own. Closing the last window ends Outlook; the transcript of the
# session (its lines after "> " are a story that outlook-sim.exe can play again) ends with what
# the add-in still held.
#
#   tools/outlook-window.sh [--screenshot FILE [--message-screenshot FILE]] [--host-viewer]
#                           [--folder NAME] [MAILBOX]
#
# With DISPLAY set the windows open on that display (and a window manager may frame them);
# otherwise they open on a virtual display (Xvfb) of their own, which only a screenshot shows.
#   --screenshot FILE  waits for the main window, selects the first message of the list (as
#                      the Down key does), saves a picture of it to FILE (PNG), then closes the
#                      window and ends
#   --message-screenshot FILE   with --screenshot: then also opens the second message (a
#                      double click on its row) in a window of its own and saves a picture
#                      of that window to FILE
#   --host-viewer      opens the pictures with this computer's own image viewer (through
#                      winebrowser and xdg-open) instead of the recorder, which only notes in
#                      the transcript that a viewer was started
#   --folder NAME      the folder the main window opens on (default Inbox)
#   MAILBOX            the mailbox manifest (default samples/mailbox.txt)
#
# The build goes to build/win64 (ZORMINT_WINDOW_BUILD=<folder> for another), the Wine prefix to
# <build>/outlook-window-prefix, the logs and the transcript to <build>/outlook-window/.
# Exits with the program's code: 0 when the add-in held nothing of Outlook's at the end.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
# shellcheck source=tools/wine-loader.sh
. "$root/tools/wine-loader.sh"
screenshot=""
message_screenshot=""
host_viewer=0
folder="Inbox"
mailbox="$root/samples/mailbox.txt"
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) screenshot="$(realpath -m "$2")"; shift 2 ;;
    --message-screenshot) message_screenshot="$(realpath -m "$2")"; shift 2 ;;
    --host-viewer) host_viewer=1; shift ;;
    --folder) folder="$2"; shift 2 ;;
    -h | --help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
    -*) echo "outlook-window: unknown option $1" >&2; exit 2 ;;
    *) mailbox="$(realpath "$1")"; shift ;;
  esac
done
cd "$root"
build="$(realpath -m "${ZORMINT_WINDOW_BUILD:-$root/build/win64}")"
logs="$build/outlook-window"
prefix="$build/outlook-window-prefix"
seconds="${ZORMINT_WINDOW_TIMEOUT:-14400}"  # how long a session may last

step() { echo "outlook-window: $*" >&2; }
trap 'echo "outlook-window: failed; the logs are in $logs" >&2' ERR

tools/deps.sh main >&2

step "building ZORMINT.dll and the simulated Outlook"
mkdir -p "$logs"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >"$logs/configure.log" 2>&1 ||
    { cat "$logs/configure.log" >&2; exit 1; }
fi
cmake --build "$build" --target ZORMINT outlook-sim-window viewer-recorder -j"$(nproc)" \
  >"$logs/build.log" 2>&1 || { tail -50 "$logs/build.log" >&2; exit 1; }
bin="$build/bin"

# The display: the caller's, or a virtual one that belongs to the prefix.
if [ -n "${DISPLAY:-}" ]; then
  own_display=0
  # A wineserver of this prefix still bound to a virtual display goes first.
  tools/wine-prefix.sh --down "$prefix" >>"$logs/wine.log" 2>&1 || true
  tools/wine-prefix.sh "$prefix" >>"$logs/wine.log" 2>&1
else
  own_display=1
  tools/wine-prefix.sh --up "$prefix" >>"$logs/wine.log" 2>&1
  read -r number _ <"$prefix.display"
  export DISPLAY=":$number"
fi
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
unset http_proxy https_proxy ftp_proxy all_proxy no_proxy
unset HTTP_PROXY HTTPS_PROXY FTP_PROXY ALL_PROXY NO_PROXY

# Every Wine command runs under a timeout with its output in files (never a pipe: Wine's
# background processes would hold it open).
wine_do() { timeout -k 10 120 "$ZORMINT_WINE" "$@" >>"$logs/wine.log" 2>&1 </dev/null; }
winpath() { echo "Z:${1//\//\\}"; }

# On a desktop with a window manager the windows are managed and framed like any other; on the
# virtual display, where none runs, Wine draws their frames itself.
managed=N
[ $own_display -eq 0 ] && managed=Y
for value in Managed Decorated; do
  wine_do reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d "$managed" /f
done

step "registering ZORMINT.dll"
wine_do regsvr32 /s "$(winpath "$bin/ZORMINT.dll")"
# Wine's COM reads classes from HKLM only; Windows merges the per-user registration in.
wine_do reg copy 'HKCU\Software\Classes' 'HKLM\Software\Classes' /s /f /reg:64

# shellcheck source=tools/viewer-association.sh
. tools/viewer-association.sh
regfile="$logs/viewer.reg"
if [ $host_viewer -eq 1 ]; then
  step "pictures open in this computer's image viewer"
  write_viewer_association "$regfile" 'winebrowser.exe "%1"'
else
  step "pictures open in the viewer recorder (see the transcript)"
  write_viewer_association "$regfile" "\"$(winpath "$bin/viewer-recorder.exe")\" \"%1\""
fi
wine_do reg import "$(winpath "$regfile")" /reg:64

transcript="$logs/transcript.txt"
export ZORMINT_VIEWER_LOG="$(winpath "$logs/viewer.log")"
: >"$logs/viewer.log"
step "starting the simulated Outlook on $DISPLAY; the transcript goes to $transcript"
timeout -k 10 "$seconds" "$ZORMINT_WINE" "$bin/outlook-sim-window.exe" "$(winpath "$mailbox")" "$folder" \
  >"$transcript" 2>"$logs/outlook-sim-window.err" </dev/null &
program=$!
# Interrupted here: the simulated Outlook goes too.
trap 'kill "$program" 2>/dev/null' INT TERM

# shot WINDOW FILE: a picture of the window (of the whole virtual screen on our own display, so
# that tooltips and dialogs are in it too).
shot() {
  mkdir -p "$(dirname "$2")"
  if [ $own_display -eq 1 ]; then
    import -display "$DISPLAY" -window root "$2"
  else
    import -display "$DISPLAY" -window "$1" "$2"
  fi
  step "screenshot saved to $2"
}
if [ -n "$screenshot" ]; then
  window="$(timeout 120 xdotool search --sync --name "Outlook \\(simulated\\)" | head -1)" || true
  if [ -z "$window" ]; then
    step "the main window did not appear"
  else
    sleep 2  # let it draw
    # A click on the empty part of the message list gives it the focus; Down selects its first
    # message, as a user's key press does, and the add-in's buttons follow the selection.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" $((WIDTH * 3 / 5)) $((HEIGHT - 40)) click 1 \
      >/dev/null 2>&1 || true
    xdotool key --window "$window" Down >/dev/null 2>&1 || true
    sleep 2
    shot "$window" "$screenshot"
    if [ -n "$message_screenshot" ]; then
      # The second message opens in a window of its own: a double click on its row (the rows
      # start below the window's caption, toolbar, ribbon strip, banner and column headers).
      xdotool mousemove --window "$window" 260 173 click --repeat 2 --delay 80 1 \
        >/dev/null 2>&1 || true
      message="$(timeout 60 xdotool search --sync --name " - Message" | head -1)" || true
      if [ -z "$message" ]; then
        step "the message window did not appear"
      else
        sleep 2
        shot "$message" "$message_screenshot"
        xdotool windowfocus --sync "$message" >/dev/null 2>&1 || true
        xdotool key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
        sleep 1
      fi
    fi
    # Alt+F4 closes the window as a user would: Outlook exits and reports.
    xdotool windowfocus --sync "$window" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers alt+F4 >/dev/null 2>&1 || true
  fi
fi

set +e
wait $program
code=$?
set -e
[ $own_display -eq 1 ] && tools/wine-prefix.sh --down "$prefix" >>"$logs/wine.log" 2>&1
cat "$transcript"
[ $code -eq 124 ] && step "stopped after $seconds s"
[ $code -eq 0 ] || { step "outlook-sim-window.exe exited with $code"; tail -20 "$logs/outlook-sim-window.err" >&2; }
exit $code
