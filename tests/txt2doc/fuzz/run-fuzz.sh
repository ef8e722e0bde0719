#!/usr/bin/env bash
# Builds the libFuzzer targets of the Palm DOC codec with clang and runs each
# for a bounded time. A missing clang or libFuzzer is a failure, not a skip:
# the test set-up installs the Debian packages clang and libclang-rt-14-dev.
#
# usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS_PER_TARGET]
set -euo pipefail

src=${1:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS]}
work=${2:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS]}
txt2doc=${3:?usage: run-fuzz.sh SOURCE_DIR WORK_DIR TXT2DOC [SECONDS]}
seconds=${4:-15}
cxx=${FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz: $cxx not found; install the Debian packages clang and libclang-rt-14-dev" >&2
    exit 1
fi
mkdir -p "$work"

sources=("$src/txt2doc/palmdoccodec.cpp" "$src/txt2doc/palmdocdatabase.cpp"
         "$src/txt2doc/palmdocfile.cpp")
headers=("$src/txt2doc/palmdoccodec.h" "$src/txt2doc/palmdocdatabase.h" "$src/txt2doc/palmdocfile.h"
         "$src/tests/txt2doc/palmdocoracle.h" "$0")
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$src/txt2doc" -I"$src/tests/txt2doc")

for target in decode roundtrip; do
    binary="$work/fuzz_$target"
    main="$src/tests/txt2doc/fuzz/fuzz_$target.cpp"
    stale=0
    for input in "$main" "${sources[@]}" "${headers[@]}"; do
        [[ -x "$binary" && ! "$input" -nt "$binary" ]] || stale=1
    done
    if (( stale )); then
        echo "run-fuzz: building fuzz_$target"
        if ! "$cxx" "${flags[@]}" "$main" "${sources[@]}" -o "$binary"; then
            echo "run-fuzz: cannot build fuzz_$target with $cxx -fsanitize=fuzzer" \
                 "(are clang and libclang-rt-14-dev installed?)" >&2
            exit 1
        fi
    fi
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
    echo "run-fuzz: fuzz_$target for ${seconds}s"
    if ! "$work/fuzz_$target" "$corpus" "$seeds" -max_total_time="$seconds" -max_len=12000 \
            -timeout=10 -rss_limit_mb=2048 -seed=1 -artifact_prefix="$work/crash-$target-" \
            -print_final_stats=1 2>"$work/fuzz_$target.log"; then
        tail -n 60 "$work/fuzz_$target.log" >&2
        echo "run-fuzz: fuzz_$target FAILED; see $work/fuzz_$target.log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/fuzz_$target.log" || true
    fi
done
exit $status
