#!/usr/bin/env bash
# Starts the built program on a real X server (under xvfb-run), waits for its
# window, closes it with Escape ("Schließen") and checks that it ends cleanly.
set -u
program=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export XDG_CONFIG_HOME=$home XDG_RUNTIME_DIR=$home
export QT_QPA_PLATFORM=xcb LANG=de_DE.UTF-8
unset LC_ALL
"$program" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Kalibrierung nach Velmor Teil E 4$' | head -n 1)
if [ -z "$window" ]; then
  echo "Das Programmfenster ist nicht erschienen." >&2
  kill "$pid" 2>/dev/null
  exit 1
fi
echo "Fenster $window: $(xwininfo -id "$window" | grep -E 'Width|Height' | tr -s ' ' | tr '\n' ' ')"
xdotool windowfocus --sync "$window"
xdotool key Escape
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "Das Programm hat sich nach Escape nicht beendet." >&2
  kill "$pid"
  exit 1
fi
wait "$pid"
status=$?
echo "Exit-Status: $status"
exit "$status"
