#!/usr/bin/env bash
# Builds the libFuzzer target of the editor's text file codec with clang and
# runs it for a bounded time. A missing clang or libFuzzer is a failure, not a
# skip: the test set-up installs the Debian packages clang and
# libclang-rt-14-dev.
#
# usage: run-fuzz-textfile.sh SOURCE_DIR WORK_DIR [SECONDS]
set -euo pipefail

src=${1:?usage: run-fuzz-textfile.sh SOURCE_DIR WORK_DIR [SECONDS]}
work=${2:?usage: run-fuzz-textfile.sh SOURCE_DIR WORK_DIR [SECONDS]}
seconds=${3:-15}
source "$src/tests/fuzz-support.sh"
fuzz_require_compiler run-fuzz-textfile
mkdir -p "$work"

main="$src/tests/txt2doc/fuzz/fuzz_textfile.cpp"
sources=("$src/src/core/textfile.cpp" "$src/txt2doc/palmdocfile.cpp")
read -r -a qt <<<"$(pkg-config --cflags --libs Qt6Core)"
flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize=vptr
       -fno-sanitize-recover=all -I"$src/src/core" -I"$src/txt2doc" "${qt[@]}")

fuzz_build run-fuzz-textfile "$work/fuzz_textfile" -- "$main" "${sources[@]}" \
    "$src/src/core/textfile.h" "$src/src/core/linebreaks.h" "$src/txt2doc/palmdocfile.h" "$0" -- \
    "$main" "${sources[@]}" "${flags[@]}"

# Seeds: the program's own kind of file, and the shapes that once broke it.
seeds="$work/seeds-textfile"
rm -rf "$seeds"
mkdir -p "$seeds"
printf -- '-- Gru\xdf\xa0Hans\r\nprint("caf\xe9 \x80")\r\n' > "$seeds/windows-1252.lua"
printf -- '\xff\xfeab\r\n' > "$seeds/utf16-lookalike.lua"
printf -- '\xef\xbb\xbf\xe9\r\n' > "$seeds/bom-then-invalid.lua"
printf -- '-- caf\xc3\xa9\r\n' > "$seeds/utf8.lua"
head -c 4000 "$src/tests/core/tst_textfile.cpp" > "$seeds/source.lua"

corpus="$work/corpus-textfile"
mkdir -p "$corpus"
fuzz_run run-fuzz-textfile "$work/fuzz_textfile" "$work/fuzz_textfile.log" "$corpus" "$seeds" \
    -max_total_time="$seconds" -max_len=4096 -artifact_prefix="$work/crash-textfile-"
