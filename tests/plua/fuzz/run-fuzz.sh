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
source "$src/tests/fuzz-support.sh"
fuzz_require_compiler run-fuzz
mkdir -p "$work"

plua="$src/src/core/plua"
sources=("$plua/lexer.cpp" "$plua/parser.cpp" "$plua/parserstatements.cpp"
    "$plua/parserexpressions.cpp" "$plua/parsertables.cpp" "$plua/syntaxtree.cpp")
headers=("$plua/diagnostic.h" "$plua/lexer.h" "$plua/parser.h" "$plua/parserstate.h"
    "$plua/syntaxtree.h" "$0")
main="$src/tests/plua/fuzz/fuzz_parse.cpp"
fuzz_build run-fuzz "$work/fuzz_parse" -- "$main" "${sources[@]}" "${headers[@]}" -- \
    -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    -I"$src/src/core" "$main" "${sources[@]}"

mkdir -p "$work/corpus"
fuzz_run run-fuzz "$work/fuzz_parse" "$work/fuzz_parse.log" "$work/corpus" \
    "$src/tests/plua/corpus" -max_total_time="$seconds" -max_len=4096 \
    -artifact_prefix="$work/crash-"
