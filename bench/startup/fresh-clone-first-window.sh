#!/usr/bin/env bash
# Time from a fresh clone to the editor's first window: clones the
# repository at REV into a new folder, runs its scripts/run.sh there with the
# compiler cache off, on a private X server, and prints the seconds until
# the first window is on the screen and how many build steps ran. Packages
# are assumed installed (run.sh installs what is missing).
# usage: fresh-clone-first-window.sh [REV [REPOSITORY]]   defaults: HEAD, this checkout
set -euo pipefail
rev="${1:-HEAD}"
repo="${2:-$(cd "$(dirname "$0")/../.." && pwd)}"
for tool in git Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "bench: $tool is missing" >&2; exit 1; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

number=90
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
    number=$((number + 1))
done
display=":$number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
    DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done

start=$(date +%s.%N)
git clone -q "$repo" "$work/clone"
git -C "$work/clone" checkout -q "$rev"
mkdir -p "$work/home"
# run.sh ends by starting the editor in its own process (exec).
(cd "$work/clone" && exec env HOME="$work/home" DISPLAY="$display" QT_QPA_PLATFORM=xcb \
    CCACHE_DISABLE=1 scripts/run.sh >"$work/run.log" 2>&1) &
runner=$!
pids+=($runner)
# The first window of a first start is the wizard; the editor's own when a
# marker is found.
until DISPLAY="$display" xdotool search --onlyvisible --name \
    '^(PLua installation instructions|Scrivlet IDE 1.3b)$' >/dev/null 2>&1; do
    if ! kill -0 "$runner" 2>/dev/null; then
        echo "bench: run.sh ended without a window:" >&2
        tail -20 "$work/run.log" >&2
        exit 1
    fi
    sleep 0.1
done
end=$(date +%s.%N)
steps=$(grep -o '^\[[0-9]*/[0-9]*\]' "$work/run.log" | tail -1 | tr -d '[]' | cut -d/ -f2)
printf 'fresh clone of %s to the first window: %.1f s, %s build steps (load average %s)\n' \
    "$rev" "$(echo "$end - $start" | bc)" "${steps:-?}" "$(cut -d' ' -f1-3 /proc/loadavg)"
