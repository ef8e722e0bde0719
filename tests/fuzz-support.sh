# Shared steps of the libFuzzer run scripts: sourced, not run.
#
# fuzz_require_compiler NAME: fails unless $cxx (clang++ by default) is present.
# fuzz_build NAME BINARY -- INPUTS... -- COMPILER_ARGS...: rebuilds BINARY when
#   it is missing or older than any of INPUTS.
# fuzz_run NAME BINARY LOG ARGS...: runs a fuzzer; on failure shows the end of
#   its log and returns 1, otherwise prints the number of runs.

cxx=${FUZZ_CXX:-clang++}

fuzz_require_compiler() {
    if ! command -v "$cxx" >/dev/null 2>&1; then
        echo "$1: $cxx not found; install the Debian packages clang and libclang-rt-14-dev" >&2
        exit 1
    fi
}

fuzz_build() {
    local name=$1 binary=$2
    shift 2
    [[ $1 == -- ]] && shift
    local inputs=()
    while [[ $# -gt 0 && $1 != -- ]]; do inputs+=("$1"); shift; done
    [[ $# -gt 0 ]] && shift
    local stale=0 input
    for input in "${inputs[@]}"; do
        [[ -x "$binary" && ! "$input" -nt "$binary" ]] || stale=1
    done
    (( stale )) || return 0
    echo "$name: building $(basename "$binary")"
    if ! "$cxx" "$@" -o "$binary"; then
        echo "$name: cannot build $(basename "$binary") with $cxx -fsanitize=fuzzer" \
             "(are clang, libclang-rt-14-dev and qt6-base-dev installed?)" >&2
        exit 1
    fi
}

fuzz_run() {
    local name=$1 binary=$2 log=$3
    shift 3
    echo "$name: $(basename "$binary") starts"
    if ! "$binary" "$@" -timeout=10 -rss_limit_mb=2048 -seed=1 -print_final_stats=1 2>"$log"; then
        tail -n 60 "$log" >&2
        echo "$name: $(basename "$binary") FAILED; see $log" >&2
        return 1
    fi
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$log" || true
}
