#!/usr/bin/env bash
# Builds the libFuzzer targets of the Palm DOC codec and the record database
# container with clang and runs each
# for a bounded time. A missing clang or libFuzzer is a failure, not a skip:
# the test set-up installs the Debian packages clang and libclang-rt-14-dev.
#
# usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS_PER_TARGET]
set -euo pipefail

src=${1:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS]}
work=${2:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS]}
txt2doc=${3:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS]}
seconds=${4:-15}
source "$src/tests/fuzz-support.sh"
fuzz_require_compiler run-fuzz
mkdir -p "$work"

sources=("$src/txt2doc/palmdoccodec.cpp" "$src/txt2doc/palmdocdatabase.cpp"
         "$src/txt2doc/palmdocfile.cpp" "$src/txt2doc/palmdocreader.cpp"
         "$src/txt2doc/recorddatabase.cpp")
headers=("$src/txt2doc/palmdoccodec.h" "$src/txt2doc/palmdocdatabase.h" "$src/txt2doc/palmdocfile.h"
         "$src/txt2doc/palmdocrecords.h" "$src/txt2doc/recorddatabase.h"
         "$src/tests/txt2doc/palmdocoracle.h" "$0")
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$src/txt2doc" -I"$src/tests/txt2doc")

for target in decode roundtrip; do
    main="$src/tests/txt2doc/fuzz/fuzz_$target.cpp"
    fuzz_build run-fuzz "$work/fuzz_$target" -- "$main" "${sources[@]}" "${headers[@]}" -- \
        "${flags[@]}" "$main" "${sources[@]}"
done

# Seeds: a real DOC, its compressed record, and some Lua text.
seeds="$work/seeds"
rm -rf "$seeds"
mkdir -p "$seeds"
printf -- '-- seed\r\nlocal x = "hello hello hello"\r\nprint(x)  \x80\x01\xff\r\n' > "$seeds/text.lua"
head -c 6000 "$src/tests/txt2doc/tst_palmdoc.cpp" >> "$seeds/text.lua"
"$txt2doc" "$seeds/text.lua" "$seeds/text.prc" "seed.lua"
# Record 1 starts after the 78-byte header, three 8-byte entries, 2 bytes and record 0.
tail -c +121 "$seeds/text.prc" | head -c 3000 > "$seeds/record"

status=0
for target in decode roundtrip; do
    corpus="$work/corpus-$target"
    mkdir -p "$corpus"
    fuzz_run run-fuzz "$work/fuzz_$target" "$work/fuzz_$target.log" "$corpus" "$seeds" \
        -max_total_time="$seconds" -max_len=12000 -artifact_prefix="$work/crash-$target-" ||
        status=1
done
exit $status
