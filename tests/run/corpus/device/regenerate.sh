#!/usr/bin/env bash
# Runs every program of this corpus with plua-run and stores what it printed
# and drew as the expectations. Look at the pictures before committing them.
# usage: regenerate.sh PLUA-RUN [NAME...]
set -euo pipefail
runner="$(realpath "$1")"
shift
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(*/)
for name in "${names[@]}"; do
    name="${name%/}"
    work="$(mktemp -d)"
    cp "$name/program.lua" "$name/events.txt" "$work/"
    status=0
    args=()
    [ -f "$name/args.txt" ] && read -ra args <<<"$(tr '\n' ' ' <"$name/args.txt")"
    (cd "$work" && "$runner" program.lua --events events.txt --screenshot final.png \
        --databases db --timeout 20 "${args[@]}" >out.txt 2>err.txt) || status=$?
    rm -f "$name"/*.png "$name/expected.out" "$name/expected.err"
    cp "$work/out.txt" "$name/expected.out"
    [ -s "$work/err.txt" ] && cp "$work/err.txt" "$name/expected.err"
    cp "$work"/*.png "$name/"
    echo "$name: exit $status, $(ls "$work"/*.png | wc -l) picture(s)"
    rm -rf "$work"
done
