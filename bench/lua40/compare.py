#!/usr/bin/env python3
"""CPU time of plua-run on the benchmark programs beside this script, and of
the real Lua 4.0's stand-alone interpreter on the same programs when its path
is given: the best of N rounds each (user + system), the ratio, and plua-run's
own start (an empty program), which the figures include.

usage: compare.py PLUA-RUN [LUA40] [--rounds N]
"""
import os
import resource
import subprocess
import sys
import tempfile


def cpu(command, cwd):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if done.returncode != 0:
        sys.exit("%s failed: %s" % (" ".join(command), done.stderr.decode(errors="replace")))
    used = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return used, done.stdout


def best(command, cwd, rounds):
    times, out = [], None
    for _ in range(rounds):
        t, out = cpu(command, cwd)
        times.append(t)
    return min(times), out


def main():
    args = [a for a in sys.argv[1:]]
    rounds = 5
    if "--rounds" in args:
        i = args.index("--rounds")
        rounds = int(args[i + 1])
        del args[i:i + 2]
    if not args:
        sys.exit(__doc__)
    plua = os.path.abspath(args[0])
    lua40 = os.path.abspath(args[1]) if len(args) > 1 else None
    here = os.path.dirname(os.path.abspath(__file__))
    programs = sorted(p for p in os.listdir(here) if p.endswith(".lua"))
    with tempfile.TemporaryDirectory() as work:
        empty = os.path.join(work, "empty.lua")
        open(empty, "w").close()
        start, _ = best([plua, empty], work, rounds)
        print("plua-run's own start: %.3f s CPU (best of %d)" % (start, rounds))
        print("%-12s %10s %10s %7s" % ("program", "plua-run", "Lua 4.0", "ratio"))
        for name in programs:
            path = os.path.join(here, name)
            ours, out = best([plua, path], work, rounds)
            line = "%-12s %9.3fs" % (name[:-4], ours)
            if lua40:
                theirs, expected = best([lua40, path], work, rounds)
                line += " %9.3fs %6.2fx" % (theirs, ours / theirs if theirs else 0)
                if out != expected:
                    line += "  (outputs differ)"
            print(line)


main()
