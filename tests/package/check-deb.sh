#!/usr/bin/env bash
# The program as a user gets it: installs the build into another prefix and
# checks the tree, builds the Debian package with CPack, checks it with
# lintian, installs it, checks the menu entry, icon, metainfo and manual
# pages, runs the installed txt2doc in a pipe, starts the installed editor
# from PATH as an unprivileged user (for whom /usr/bin is read-only) on a
# private X server, and removes the package again.
#
# usage: check-deb.sh BUILD_DIR        exit 77: skipped (not root, or a
#                                      scrivlet package is already installed)
set -euo pipefail
build="$(cd "$1" && pwd)"

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: installing a package needs root"
    exit 77
fi
if dpkg-query -W -f='${Status}' scrivlet 2>/dev/null | grep -q "install ok installed"; then
    echo "SKIP: a scrivlet package is installed already; it is left alone"
    exit 77
fi
for tool in cpack dpkg lintian Xvfb xdotool desktop-file-validate appstreamcli man setpriv xdg-mime; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (run scripts/setup.sh)"; exit 1; }
done

work="$(mktemp -d)"
chmod 755 "$work"
installed=0
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ "$installed" -eq 1 ]; then
        dpkg -r scrivlet >/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
# Waits up to 20 s for a window whose title matches $2 on display $1.
wait_for_window() {
    for _ in $(seq 1 200); do
        if DISPLAY="$1" xdotool search --name "$2" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

echo "== install tree, prefix /opt/scrivlet under DESTDIR (at ${SECONDS}s)"
DESTDIR="$work/root" cmake --install "$build" --prefix /opt/scrivlet >/dev/null
(cd "$work/root/opt/scrivlet" && find . -type f | sort) >"$work/tree"
cat >"$work/expected" <<'LIST'
./bin/scrivlet
./bin/txt2doc
./lib/scrivlet/scrivlet-webview.so
./share/applications/scrivlet.desktop
./share/doc/scrivlet/changelog.gz
./share/doc/scrivlet/copyright
./share/icons/hicolor/128x128/apps/scrivlet.png
./share/icons/hicolor/16x16/apps/scrivlet.png
./share/icons/hicolor/22x22/apps/scrivlet.png
./share/icons/hicolor/24x24/apps/scrivlet.png
./share/icons/hicolor/256x256/apps/scrivlet.png
./share/icons/hicolor/32x32/apps/scrivlet.png
./share/icons/hicolor/48x48/apps/scrivlet.png
./share/icons/hicolor/64x64/apps/scrivlet.png
./share/icons/hicolor/scalable/apps/scrivlet.svg
./share/man/man1/scrivlet.1.gz
./share/man/man1/txt2doc.1.gz
./share/metainfo/org.example.scrivlet.metainfo.xml
LIST
# The command-line tools are installed when they were built.
for tool in plua-check plua-run; do
    if [ -e "$build/bin/$tool" ]; then
        echo "./bin/$tool" >>"$work/expected"
        echo "./share/man/man1/$tool.1.gz" >>"$work/expected"
    fi
done
sort -o "$work/expected" "$work/expected"
diff -u "$work/expected" "$work/tree" || fail "the installed tree differs"

echo "== package (at ${SECONDS}s)"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/pkg" >/dev/null
deb="$(ls "$work"/pkg/scrivlet_*.deb)"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
status=0
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v "root privileges" "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
dpkg -i "$deb" >/dev/null || fail "the package does not install"
installed=1

echo "== installed files (at ${SECONDS}s)"
[ "$(command -v scrivlet)" = /usr/bin/scrivlet ] || fail "scrivlet is not on PATH"
[ "$(command -v txt2doc)" = /usr/bin/txt2doc ] || fail "txt2doc is not on PATH"
desktop-file-validate /usr/share/applications/scrivlet.desktop || fail "desktop file"
appstreamcli validate --no-net /usr/share/metainfo/org.example.scrivlet.metainfo.xml >/dev/null ||
    fail "metainfo: $(appstreamcli validate --no-net /usr/share/metainfo/org.example.scrivlet.metainfo.xml)"
for page in scrivlet txt2doc plua-check plua-run; do
    warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "man $page: $warnings"
done
[ "$(XDG_DATA_DIRS=/usr/share HOME="$work" xdg-mime query default text/x-lua)" = scrivlet.desktop ] ||
    fail "text/x-lua does not open with scrivlet.desktop"
# The browser's page view, where the editor looks for it from /usr/bin.
[ -s /usr/bin/../lib/scrivlet/scrivlet-webview.so ] || fail "no page-view plugin"
! ldd /usr/lib/scrivlet/scrivlet-webview.so | grep "not found" || fail "the page-view plugin lacks libraries"
for size in 16x16 48x48 256x256; do
    [ -s "/usr/share/icons/hicolor/$size/apps/scrivlet.png" ] || fail "no $size icon"
done

echo "== installed txt2doc in a pipe (at ${SECONDS}s)"
printf -- '--Hello.lua\r\nprint("hi")\r\n' >"$work/hello.lua"
txt2doc - - --Hello.lua <"$work/hello.lua" | txt2doc --decode - >"$work/back.txt"
[ "$(od -An -c "$work/back.txt")" = "$(printf -- '--Hello.lua\nprint("hi")\n' | od -An -c)" ] ||
    fail "the text does not come back from txt2doc"

echo "== installed editor, from PATH, as an unprivileged user (at ${SECONDS}s)"
number=90
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
    number=$((number + 1))
done
display=":$number"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 1 100); do
    DISPLAY="$display" xdotool getdisplaygeometry >/dev/null 2>&1 && break
    sleep 0.1
done
home="$work/home"
mkdir -p "$home/run"
chmod 700 "$home/run"
cp "$work/hello.lua" "$home/"
chown -R nobody "$home"
ls -la /usr/bin >"$work/bin-before"
# Run with &: the background shell becomes the editor, so its PID is the editor's.
as_user() {
    exec setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$display" XDG_RUNTIME_DIR="$home/run" \
        QT_QPA_PLATFORM=xcb "$@" >>"$work/editor.log" 2>&1
}

# First start: the wizard, and the first-run marker in the user's folder.
as_user scrivlet &
editor=$!
pids+=($editor)
wait_for_window "$display" "^PLua installation instructions$" ||
    fail "no first-run window; the editor said: $(cat "$work/editor.log")"
marker="$home/.config/Scrivlet IDE/settings.ini"
[ "$(od -An -c "$marker" 2>/dev/null)" = "$(printf '1\r\n' | od -An -c)" ] ||
    fail "the first-run marker is not in the user's folder"
kill "$editor"
wait "$editor" 2>/dev/null || true

# Second start, with a file: straight to the editor. File, Export To .prc
# writes its temporary file in the user's folders and starts the installed
# txt2doc beside the editor.
as_user scrivlet "$home/hello.lua" &
editor=$!
pids+=($editor)
wait_for_window "$display" "^Scrivlet IDE 1.3b$" ||
    fail "no main window; the editor said: $(cat "$work/editor.log")"
x() { DISPLAY="$display" xdotool "$@"; }
x windowfocus --sync "$(x search --name '^Scrivlet IDE 1.3b$' | head -1)"
sleep 0.3
x key --clearmodifiers alt+f e Return
wait_for_window "$display" "^Save$" || fail "no Save dialog for the export"
x windowfocus --sync "$(x search --name '^Save$' | head -1)"
sleep 0.3
x key --clearmodifiers ctrl+a
x type --delay 5 "$home/hello.prc"
x key --clearmodifiers Return
for _ in $(seq 1 200); do
    [ -s "$home/hello.prc" ] && break
    sleep 0.1
done
[ "$(txt2doc --decode "$home/hello.prc" | od -An -c)" = "$(printf -- '--Hello.lua\nprint("hi")\n' | od -An -c)" ] ||
    fail "the export did not write the program; the editor said: $(cat "$work/editor.log")"
kill "$editor"
wait "$editor" 2>/dev/null || true
! kill -0 "$editor" 2>/dev/null || fail "the editor did not end"
ls -la /usr/bin >"$work/bin-after"
diff -u "$work/bin-before" "$work/bin-after" || fail "the editor wrote into /usr/bin"

echo "== remove (at ${SECONDS}s)"
dpkg -r scrivlet >/dev/null
installed=0
[ ! -e /usr/bin/scrivlet ] && [ ! -e /usr/share/applications/scrivlet.desktop ] ||
    fail "files are left after removal"
echo "PASS (${SECONDS}s)"
