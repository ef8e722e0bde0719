#!/usr/bin/env bash
# Installs what the editor needs and is missing, builds only the editor and
# its converter (the tests and benchmarks are test.sh's), and starts the
# editor. Arguments are passed on: `scripts/run.sh "my program.lua"` opens
# that file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh" --editor
exec "$root/build/bin/scrivlet" "$@"
