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
cxx=${FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "run-fuzz-textfile: $cxx not found; install the Debian packages clang and libclang-rt-14-dev" >&2
    exit 1
fi
mkdir -p "$work"

main="$src/tests/txt2doc/fuzz/fuzz_textfile.cpp"
sources=("$src/src/core/textfile.cpp")
binary="$work/fuzz_textfile"
read -r -a qt <<<"$(pkg-config --cflags --libs Qt6Core)"
flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize=vptr
       -fno-sanitize-recover=all -I"$src/src/core" "${qt[@]}")

stale=0
for input in "$main" "${sources[@]}" "$src/src/core/textfile.h" "$src/src/core/linebreaks.h" "$0"; do
    [[ -x "$binary" && ! "$input" -nt "$binary" ]] || stale=1
done
if (( stale )); then
    echo "run-fuzz-textfile: building fuzz_textfile"
    if ! "$cxx" "$main" "${sources[@]}" "${flags[@]}" -o "$binary"; then
        echo "run-fuzz-textfile: cannot build fuzz_textfile with $cxx -fsanitize=fuzzer" \
             "(are clang, libclang-rt-14-dev and qt6-base-dev installed?)" >&2
        exit 1
    fi
fi

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
echo "run-fuzz-textfile: fuzz_textfile for ${seconds}s"
if ! "$binary" "$corpus" "$seeds" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -rss_limit_mb=2048 -seed=1 -artifact_prefix="$work/crash-textfile-" \
        -print_final_stats=1 2>"$work/fuzz_textfile.log"; then
    tail -n 60 "$work/fuzz_textfile.log" >&2
    echo "run-fuzz-textfile: fuzz_textfile FAILED; see $work/fuzz_textfile.log" >&2
    exit 1
fi
grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/fuzz_textfile.log" || true
