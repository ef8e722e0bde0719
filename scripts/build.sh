#!/usr/bin/env bash
# Configures and builds everything into build/ (warnings on, -Wall -Wextra).
# Uses ccache when it is installed, so rebuilds and other checkouts reuse
# compiled objects.
# usage: build.sh [--editor]   --editor: install what the editor needs and
#                              build only scrivlet and txt2doc
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
targets=()
if [ "${1:-}" = "--editor" ]; then
    "$root/scripts/setup.sh" editor
    # Plus the compressed manual pages, so that cmake --install works afterwards.
    targets=(--target scrivlet txt2doc compressed_docs)
else
    "$root/scripts/setup.sh"
fi
launcher=()
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$root"
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# SCRIVLET_WERROR=ON (as CI sets it) makes every compiler warning an error.
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSCRIVLET_WERROR="${SCRIVLET_WERROR:-OFF}" "${launcher[@]}" >/dev/null
cmake --build "$root/build" --parallel "$(nproc)" "${targets[@]}"
