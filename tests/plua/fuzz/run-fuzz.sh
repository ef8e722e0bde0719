#!/usr/bin/env bash
# Builds the libFuzzer target of the Plua 1 front end with clang and runs it
# for a bounded time, seeded with the corpus of programs. A missing clang or
# libFuzzer is a failure, not a skip: the test set-up installs clang and
# libclang-rt-14-dev.
#
# usage: run-fuzz.sh SOURCE_DIR WORK_DIR [SECONDS]
set -euo pipefail

src=${1:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR [SECONDS]}
work=${2:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR [SECONDS]}
seconds=${3:-15}
cxx=${FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz: $cxx not found; install the Debian packages clang and libclang-rt-14-dev" >&2
    exit 1
fi
mkdir -p "$work"

plua="$src/src/core/plua"
sources=("$plua/lexer.cpp" "$plua/parser.cpp" "$plua/syntaxtree.cpp")
headers=("$plua/diagnostic.h" "$plua/lexer.h" "$plua/parser.h" "$plua/syntaxtree.h" "$0")
main="$src/tests/plua/fuzz/fuzz_parse.cpp"
binary="$work/fuzz_parse"
stale=0
for input in "$main" "${sources[@]}" "${headers[@]}"; do
    [[ -x "$binary" && ! "$input" -nt "$binary" ]] || stale=1
done
if (( stale )); then
    echo "run-fuzz: building fuzz_parse"
    if ! "$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
            -I"$src/src/core" "$main" "${sources[@]}" -o "$binary"; then
        echo "run-fuzz: cannot build fuzz_parse with $cxx -fsanitize=fuzzer" \
             "(are clang and libclang-rt-14-dev installed?)" >&2
        exit 1
    fi
fi

corpus="$work/corpus"
mkdir -p "$corpus"
echo "run-fuzz: fuzz_parse for ${seconds}s"
if ! "$binary" "$corpus" "$src/tests/plua/corpus" -max_total_time="$seconds" -max_len=4096 \
        -timeout=10 -rss_limit_mb=2048 -seed=1 -artifact_prefix="$work/crash-" \
        -print_final_stats=1 2>"$work/fuzz_parse.log"; then
    tail -n 60 "$work/fuzz_parse.log" >&2
    echo "run-fuzz: fuzz_parse FAILED; see $work/fuzz_parse.log" >&2
    exit 1
fi
grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/fuzz_parse.log" || true
