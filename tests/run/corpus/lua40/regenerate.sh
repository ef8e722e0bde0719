#!/usr/bin/env bash
# Runs every program of this corpus under the real Lua 4.0 stand-alone
# interpreter (github:lua/lua, tag v4.0) and stores what it printed as the expectations: NAME.out is its
# standard output, NAME.err the error plua-run is expected to report for it,
# in plua-run's form "NAME.lua:LINE: message" (taken from 4.0's "error:" line
# and the first line of its traceback inside the program). A run that fails
# without a message (a program's own _ERRORMESSAGE, error() without one,
# exit(n)) gets the NAME.err "*": any message, exit status 1.
# usage: regenerate.sh LUA40-INTERPRETER [NAME...]
set -euo pipefail
lua="$(realpath "$1")"
shift
here="$(cd "$(dirname "$0")" && pwd)"
cd "$here"
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(*.lua)
for name in "${names[@]}"; do
    name="${name%.lua}"
    work="$(mktemp -d)"
    cp "$name.lua" "$work/"
    # The handheld gets a program as the editor saves it, its last line
    # ended too (plua::handheldText).
    [ -z "$(tail -c 1 "$work/$name.lua")" ] || printf '\n' >>"$work/$name.lua"
    status=0
    # Lua 4.0's interpreter never sets a locale: it runs in C whatever the shell's.
    # It runs with no environment at all, as a program does on the handheld,
    # which has none (getenv answers nil there).
    (cd "$work" && env -i "$lua" "$name.lua" >out.txt 2>err.txt </dev/null) || status=$?
    cp "$work/out.txt" "$name.out"
    rm -f "$name.err"
    if [ "$status" -ne 0 ] || [ -s "$work/err.txt" ]; then
        awk -v file="$name.lua" '
            { text = text $0 "\n" }
            END {
                if (substr(text, 1, 7) != "error: ") { print "*"; exit }
                body = substr(text, 8)
                cut = index(body, "\nstack traceback:\n")
                if (cut > 0) {
                    message = substr(body, 1, cut - 1)
                    rest = substr(body, cut + 18)
                    n = split(rest, lines, "\n")
                    for (i = 1; i <= n; ++i) {
                        # The first frame in the program, past the handler.
                        if (index(lines[i], "file `" file "'\''") > 0 &&
                            index(lines[i], "function `_ERRORMESSAGE'\''") == 0 &&
                            match(lines[i], /at line [0-9]+/)) {
                            print file ":" substr(lines[i], RSTART + 8, RLENGTH - 8) ": " message
                            exit
                        }
                    }
                    print file ":0: " message
                    exit
                }
                # A syntax error: "MSG;\n  last token read: `T'"'"' at line N in file ..."
                cut = index(body, ";\n  last token read: ")
                if (cut > 0 && match(body, /at line [0-9]+ in file/)) {
                    print file ":" substr(body, RSTART + 8, RLENGTH - 16) ": " substr(body, 1, cut - 1)
                    exit
                }
                print "*"
            }' "$work/err.txt" >"$name.err"
    fi
    if [ "$status" -eq 0 ] && [ -s "$work/err.txt" ]; then
        echo "$name: succeeds but writes to standard error; give it its own _ERRORMESSAGE" >&2
    fi
    echo "$name: exit $status"
    rm -rf "$work"
done
