#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor. Arguments are
# passed on: `scripts/run.sh "my program.lua"` opens that file.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/build.sh"
exec "$root/build/bin/scrivlet" "$@"
