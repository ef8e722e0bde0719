#!/usr/bin/env bash
# Runs a test program on a real X server with a real window manager (Xvfb
# and openbox), where focus and activation work as on a desktop, then stops
# both servers by their process ids.
set -u
test_program="$1"
shift
for tool in Xvfb openbox xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is needed (packages xvfb, openbox, xdotool)"; exit 1; }
done
number=95
while [ -e "/tmp/.X${number}-lock" ] || [ -e "/tmp/.X11-unix/X${number}" ]; do
    number=$((number + 1))
done
export DISPLAY=":${number}"
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
openbox_pid=
stop() {
    [ -n "$openbox_pid" ] && kill "$openbox_pid" 2>/dev/null
    kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}
trap stop EXIT
for _ in $(seq 100); do
    xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
openbox >/dev/null 2>&1 &
openbox_pid=$!
sleep 0.5
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME
"$test_program" "$@"
