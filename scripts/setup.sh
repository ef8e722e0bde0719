#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# only those that are missing. Runs apt-get through sudo when not root.
# usage: setup.sh [editor]   editor: only what building and running the
#                            editor and txt2doc need (no tests, benchmarks or
#                            packaging tools)
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config ccache
    # Plua programs run on the Lua 5.1 engine
    liblua5.1-0-dev
    qt6-base-dev qt6-webengine-dev qt6-svg-dev libgl-dev
    # run: SVG icons, fonts for the editor and for printing
    qt6-image-formats-plugins fonts-dejavu-core fonts-liberation
)
if [ "${1:-}" != "editor" ]; then
    packages+=(
        # tests: the desktop fonts every window must fit
        fonts-noto-core
        # tests: a display with a window manager for the desktop tier, a real
        # printer, Palm DOC peers, the fuzzer
        xvfb xauth xdotool openbox x11-utils cups printer-driver-cups-pdf poppler-utils txt2pdbdoc
        # tests: the desktops users have: their locales, a dark theme, a
        # session bus with the accessibility bus and a screen reader's view
        locales adwaita-qt6 qt6ct dbus-daemon dbus-bin at-spi2-core python3-pyatspi
        clang libclang-rt-14-dev
        # benchmarks: a large body of real Lua source, and luac5.1 -p as the
        # peer of plua-check
        nmap-common lua5.1
        # style checks: formatting and clang-tidy findings fail the suite
        clang-format clang-tidy
        # the Debian package and its check: CPack's dependency lookup, lintian,
        # the validators of the desktop entry, metainfo and manual pages, the
        # file-type lookup; librsvg2-bin renders the icon sizes (render-icons.sh)
        dpkg-dev file lintian desktop-file-utils appstream man-db xdg-utils librsvg2-bin
    )
fi

# The locales the tests run the editor in, generated when missing.
ensure_locales() {
    local wanted=(de_DE.UTF-8 pt_BR.UTF-8 en_US.UTF-8) have name
    have="$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')"
    for name in "${wanted[@]}"; do
        if ! grep -qx "$(echo "$name" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')" <<<"$have"; then
            echo "Generating the locale $name"
            $sudo localedef -i "${name%%.*}" -f UTF-8 "$name"
        fi
    done
}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    [ "${1:-}" = "editor" ] || ensure_locales
    exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
[ "${1:-}" = "editor" ] || ensure_locales
