#!/usr/bin/env bash
# Configures and builds everything into build/ (warnings on, -Wall -Wextra).
# Uses ccache when it is installed, so rebuilds and other checkouts reuse
# compiled objects.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
launcher=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$root"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# SCRIVLET_WERROR=ON (as CI sets it) makes every compiler warning an error.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSCRIVLET_WERROR="${SCRIVLET_WERROR:-OFF}" "${launcher[@]}" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)"
