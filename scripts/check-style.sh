#!/usr/bin/env bash
# Checks the project's own sources: "format" compares every C++ file with
# .clang-format, "tidy BUILD_DIR" runs the .clang-tidy checks over the
# program's sources with the build's compile commands. Any finding fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

sources() {
    find src txt2doc plua-check plua-run tests bench \( -name '*.cpp' -o -name '*.h' \) -type f | sort
}

case "${1:-}" in
format)
    # --Werror turns every place that differs into an error with its line.
    sources | xargs clang-format --dry-run --Werror
    echo "format: $(sources | wc -l) files clean"
    ;;
tidy)
    build="${2:?usage: check-style.sh tidy BUILD_DIR}"
    # The program itself, not the tests: test code may do odd things on purpose.
    mapfile -t files < <(find src txt2doc plua-check plua-run -name '*.cpp' -type f | sort)
    run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${files[@]/#/$root/}" >"$build/clang-tidy.log" 2>&1 || {
        grep -E 'warning:|error:' "$build/clang-tidy.log" | sort -u
        echo "tidy: findings above (full output in $build/clang-tidy.log)"
        exit 1
    }
    echo "tidy: ${#files[@]} files clean"
    ;;
*)
    echo "usage: check-style.sh format | tidy BUILD_DIR" >&2
    exit 2
    ;;
esac
