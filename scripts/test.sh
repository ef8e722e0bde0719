#!/usr/bin/env bash
# Installs what is missing, builds, starts a private CUPS server with a PDF
# printer as the default, runs the whole test suite with CTest, and stops the
# server again. Extra arguments go to ctest (for example -R tst_mainwindow).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"

# Headless: the offscreen platform, a private runtime folder, and the web
# engine's sandbox off when running as root.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR="$(mktemp -d)"
chmod 700 "$XDG_RUNTIME_DIR"
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi

source "$root/scripts/cups.sh"
cups_start
trap 'cups_stop; rm -rf "$XDG_RUNTIME_DIR"' EXIT

cd "$root/build"
ctest --output-on-failure --parallel 2 "$@"
