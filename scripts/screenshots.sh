#!/usr/bin/env bash
# Retakes the README's screenshots on a real desktop: the built scrivlet on
# a private Xvfb under openbox, started from a fresh program folder at the
# default font, driven by xdotool, each window dumped with its frame.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
command -v xwd >/dev/null || { echo "xwd is missing: apt-get install x11-apps" >&2; exit 1; }

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

n=$((300 + RANDOM % 600))
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
export DISPLAY=":$n"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset &
pids+=($!)
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
openbox --sm-disable &
pids+=($!)
for _ in $(seq 100); do xdotool get_num_desktops >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$work/program" "$work/runtime"
chmod 700 "$work/runtime"
# Run starts plua-run from the editor's own folder.
cp "$root/build/bin/scrivlet" "$root/build/bin/txt2doc" "$root/build/bin/plua-run" "$work/program/"
HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= QTWEBENGINE_DISABLE_SANDBOX=1 \
    "$work/program/scrivlet" &
pids+=($!)

# Waits until the window named $1 has the keyboard and prints its id.
active() {
    for _ in $(seq 150); do
        id="$(xdotool getactivewindow 2>/dev/null || true)"
        if [ -n "$id" ] && [ "$(xdotool getwindowname "$id")" = "$1" ]; then
            echo "$id"
            return
        fi
        sleep 0.1
    done
    echo "\"$1\" never became active" >&2
    exit 1
}

# The window manager's frame around client window $1.
frame() {
    local id="$1" info
    while info="$(xwininfo -tree -id "$id")"; do
        grep -q "Parent window id: .*(the root window)" <<<"$info" && break
        id="$(sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p' <<<"$info")"
    done
    echo "$id"
}

shot() {
    sleep 0.5
    xwd -silent -id "$(frame "$1")" -out "$work/shot.xwd"
    python3 "$root/scripts/xwd2png.py" "$work/shot.xwd" "$root/docs/$2"
    echo "docs/$2"
}

shot "$(active "PLua installation instructions")" first-run-wizard.png
xdotool key Return
active "Donations" >/dev/null
xdotool key Return
main="$(active "Scrivlet IDE 1.3b")"
xdotool key ctrl+f
active "Create a new function" >/dev/null
xdotool type main
xdotool key Return
active "Scrivlet IDE 1.3b" >/dev/null
# A short program in the body, then a call with a missing comma after it,
# so the picture shows the colours, the line numbers and a marked fault.
# The body line starts at the left; Enter keeps the indentation after it.
first=1
for line in '  pclear()' 'local x, y = 80, 80' 'pcircle(x, y, 30)' \
    'print("Hello from " .. x)' '-- wait for a tap'; do
    [ "$first" = 1 ] || xdotool key Return
    first=0
    xdotool type --delay 20 -- "$line"
done
xdotool key ctrl+End Return
xdotool type --delay 20 -- 'pbox(10, 10, 20 20)'
sleep 1.5
shot "$main" main-window.png

# The same editor running a small game in the run window (F5).
xdotool key ctrl+a
for line in 'ptitle("Catch")' 'pbox(24, 40, 20, 20, prgb(255, 0, 0))' \
    'pdisc(110, 70, 18, 18, prgb(0, 0, 255))' 'pcircle(110, 70, 26, 26)' \
    'pmoveto(4, 110)' 'print("Score: 3   Time: 42")' 'pmoveto(4, 140)' \
    'pbutton("New")' 'pbutton("Quit")' 'pevent()'; do
    xdotool type --delay 20 -- "$line"
    xdotool key Return
done
xdotool key F5
shot "$(active "Run - Untitled")" run-window.png
