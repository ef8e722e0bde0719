#!/usr/bin/env python3
"""Differential fuzzing of plua-run against the real Lua 4.0.

Writes random programs of five kinds (expressions and their values, the
string and table library, tag methods, statements and closures, and/or/not
with comparisons), runs each under both interpreters and prints the
programs whose standard output differs (addresses left out). What it finds
becomes a row of this corpus, its expectation taken with regenerate.sh.

usage: differential-fuzz.py PLUA-RUN LUA40 [--count N] [--seed S] [--keep DIR]
"""
import os
import random
import re
import subprocess
import sys
import tempfile

SHOW = ("function show(...) local r = '' for k = 1, arg.n do "
        "r = r .. tostring(arg[k]) .. '|' end print(r) end")
HANDLER = 'h = function(m) print("E: " .. m) end'


def caught(body):
    return 'call(function() %s end, {}, "x", h)' % body


def library(r):
    nums = ["0", "1", "2", "-1", "0.5", "3", "10", "1e3", "2^3", "-2.5", "1/3"]
    strs = ['"a"', '""', '"x y"', '"3.5"', '"abc"', '"Hello World"', '"a,b,,c"', '"  pad  "',
            '"x=1, y=2"']
    pats = ['"%a+"', '"(%w+)=(%w+)"', '"[aeiou]"', '"%s+"', '"^%s*(.-)%s*$"', '"l+"', '"."',
            '"(%d+)"', '","', '"b*"', '"()a"']
    fmts = ['"%d"', '"%5.2f"', '"%s|%s"', '"%x"', '"%-4s|"', '"%g"', '"%q"', '"%c"', '"%03d"',
            '"%e"', '"%.3s"']

    def val(d=0):
        c = r.randrange(12)
        if c < 2:
            return r.choice(nums)
        if c < 4:
            return r.choice(strs)
        if c == 4:
            return r.choice(["i", "s", "t[1]", "t[getn(t)]", "getn(t)"])
        if d < 3 and c == 5:
            return "strsub(%s, %s, %s)" % (val(d + 1), r.choice(nums), r.choice(nums))
        if d < 3 and c == 6:
            return "format(%s, %s, %s)" % (r.choice(fmts), val(d + 1), val(d + 1))
        if d < 3 and c == 7:
            repl = r.choice(['"<%1>"', '"%0%0"', '"-"', "function(a, b) return b or a end", "{}"])
            return "gsub(%s, %s, %s)" % (val(d + 1), r.choice(pats), repl)
        if d < 3 and c == 8:
            return "strfind(%s, %s%s)" % (val(d + 1), r.choice(pats),
                                          r.choice(["", ", 2", ", -3", ", 1, 1"]))
        if d < 3 and c == 9:
            return "%s(%s)" % (r.choice(["strlen", "strupper", "tostring", "tonumber", "type",
                                         "floor", "abs"]), val(d + 1))
        if d < 3 and c == 10:
            return "%s %s %s" % (val(d + 1), r.choice(["+", "-", "*", "/", "..", "==", "<",
                                                       ">=", "and", "or"]), val(d + 1))
        return r.choice(["mod(i, 3)", "max(i, 2)", "strbyte(s)", "t.n"])

    body = ["i, s, t = 1, \"str\", {5, \"x\", 3}"]
    for _ in range(15):
        body.append(caught(r.choice([
            "s = " + val(), "i = " + val(), "tinsert(t, %s)" % val(), "tinsert(t, 1, %s)" % val(),
            "show(tremove(t))", "show(%s)" % val(), "show(%s, %s)" % (val(), val()),
            "sort(t, function(a, b) return tostring(a) < tostring(b) end)",
            "show(getn(t), t[1], t[getn(t)])"])))
    return body


def tagmethods(r):
    methods = {
        "add": 'function(a, b, e) return "add(" .. type(a) .. "," .. type(b) .. "," .. e .. ")" end',
        "sub": "function(a, b, e) return e end",
        "pow": 'function(a, b, e) return "pow" .. tostring(e) end',
        "unm": 'function(a, b, e) return "neg" .. tostring(b) .. tostring(e) end',
        "lt": 'function(a, b) if type(a) == "table" and type(b) == "table" then return 1 end end',
        "concat": 'function(a, b, e) return "cat:" .. e end',
        "index": 'function(t, k) return "idx:" .. tostring(k) end',
        "gettable": 'function(t, k) return "get:" .. tostring(rawget(t, k)) end',
        "settable": 'function(t, k, v) rawset(t, k, "set:" .. tostring(v)) end',
        "function": 'function(self, ...) return "called", arg.n end',
        "getglobal": 'function(n, v) return "G:" .. n end',
        "setglobal": "function(n, old, new) rawset(globals(), n, new) end",
    }

    def setting():
        event = r.choice(sorted(methods))
        tag = r.choice(["tg1", "tg2", "tag({})", "tag(nil)", "0"])
        return caught('settagmethod(%s, "%s", %s)' % (tag, event, methods[event]))

    body = ["tg1 = newtag()", "tg2 = newtag()"]
    body += [setting() for _ in range(r.randrange(1, 6))]
    body += ["u = settag({2, 3; x = 1}, tg1)", "w = settag({}, tg2)", "p = {x = 5}", "gu = u"]
    body += [setting() for _ in range(r.randrange(1, 4))]
    ops = ["+", "-", "*", "^", "<", "..", "- 1", "+ 2"]
    for _ in range(14):
        a = r.choice(["u", "w", "p", "1", '"s"', "nil", "{}"])
        b = r.choice(["u", "w", "p", "2", '"t"', "nil"])
        op = r.choice(ops)
        e = r.choice(["%s %s %s" % (a, op, b) if " " not in op else "%s %s" % (a, op),
                      "-" + r.choice("uwp"), r.choice("uwp") + "." + r.choice(["x", "zz"]),
                      r.choice("uw") + "(1, 2)", "gu", 'rawget(u, "x")', "getn(u)"])
        body.append("show(%s)" % caught("return " + e).replace("call(", "call(", 1))
    body.append('u.x = 7 w.y = 8 show(rawget(u, "x"), rawget(w, "y"), u.x, w.y)')
    return body


def statements(r):
    def e(d=0):
        c = r.randrange(10)
        if c < 3 or d > 2:
            return r.choice(["1", "2", "x", "y", "n", '"s"', "nil", "t[1]", "t.k", "getn(t)"])
        return r.choice([
            "f(%s)" % e(d + 1), "g(%s, %s)" % (e(d + 1), e(d + 1)),
            "v(%s)" % ", ".join(e(d + 1) for _ in range(r.randrange(0, 4))),
            "(%s %s %s)" % (e(d + 1), r.choice(["+", "*", "..", "==", "and", "or"]), e(d + 1)),
            "not " + e(d + 1), "mk(%s)()" % e(d + 1)])

    def s(d=0):
        c = r.randrange(10)
        if d < 2 and c == 0:
            return "while n < 3 do n = n + 1 %s end" % s(d + 1)
        if d < 2 and c == 1:
            return "repeat n = n + 1 %s until n > 2" % s(d + 1)
        if d < 2 and c == 2:
            return "for i = 1, 3 do %s if i == 2 then break end end" % s(d + 1)
        if d < 2 and c == 3:
            return "for k, w in {10, 20; z = 1} do %s end" % s(d + 1)
        if d < 2 and c == 4:
            return "do local x = %s %s end" % (e(), s(d + 1))
        return r.choice(["x = " + e(), "x, y = %s, %s" % (e(), e()),
                         "local a, b = %s show(a, b)" % e(), "show(%s)" % e(),
                         "show(v(%s, %s))" % (e(), e()), "t[n + 1] = " + e(),
                         "show(x, y, n, getn(t))"])

    body = ["x, y, n, t = 1, 2, 0, {1, 2; k = 3}", "function f(a) return a end",
            "function g(a, b) return b, a end",
            "function v(...) return arg.n, arg[1], arg[arg.n] end",
            "function mk(a) local c = a return function() return %c end end"]
    return body + [caught(s()) for _ in range(12)]


def logic(r):
    def leaf():
        return r.choice(["a", "b", "n", "1", "0", '"s"', "nil", "t.x", "f(a)", "(a)", "-a",
                         "a + 1", 'a .. "z"'])

    def e(d=0):
        if d > 3 or r.random() < 0.25:
            return leaf()
        return r.choice([
            "%s and %s" % (e(d + 1), e(d + 1)), "%s or %s" % (e(d + 1), e(d + 1)),
            "not " + e(d + 1), "(%s)" % e(d + 1), "not not (%s)" % e(d + 1), "f(%s)" % e(d + 1),
            "%s %s %s" % (e(d + 1), r.choice(["==", "~=", "<", ">", "<=", ">="]), e(d + 1))])

    body = ["a, b, n, t = 2, 3, nil, {x = 5}", "function f(x) return x end"]
    for _ in range(20):
        x = e()
        body.append("show(%s)" % caught(r.choice([
            "return %s" % x, "local v = %s return v" % x,
            'if %s then return "T" else return "F" end' % x])))
    return body


KINDS = [library, tagmethods, statements, logic]


def output(command, folder):
    done = subprocess.run(command, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          env={}, timeout=30)
    return re.sub(rb"0x[0-9a-f]+", b"", done.stdout)


ORDER = re.compile(rb"attempt to compare (\w+) with (\w+)$")


def onlyOrderNames(a, b):
    """Whether two outputs differ only in how a refused comparison names its
    operands, which the run cannot put right on a line that mixes > or <=
    with < or >= (see the README)."""
    la, lb = a.split(b"\n"), b.split(b"\n")
    if len(la) != len(lb):
        return False
    for x, y in zip(la, lb):
        if x == y:
            continue
        mx, my = ORDER.search(x), ORDER.search(y)
        if not (mx and my and mx.groups() == my.groups()[::-1]):
            return False
    return True


def main():
    args = sys.argv[1:]
    options = {"--count": "200", "--seed": "1", "--keep": ""}
    for name in options:
        if name in args:
            i = args.index(name)
            options[name] = args[i + 1]
            del args[i:i + 2]
    if len(args) != 2:
        sys.exit(__doc__)
    plua, lua40 = (os.path.realpath(a) for a in args)
    keep = options["--keep"]
    differing = orderOnly = 0
    with tempfile.TemporaryDirectory() as folder:
        for n in range(int(options["--count"])):
            r = random.Random(int(options["--seed"]) * 100003 + n)
            kind = KINDS[n % len(KINDS)]
            text = "\n".join([SHOW, HANDLER] + kind(r)) + "\n"
            with open(os.path.join(folder, "p.lua"), "w") as f:
                f.write(text)
            expected, got = output([lua40, "p.lua"], folder), output([plua, "p.lua"], folder)
            if expected == got:
                continue
            if onlyOrderNames(expected, got):
                orderOnly += 1
                continue
            differing += 1
            name = "%s-%d.lua" % (kind.__name__, n)
            print("differs:", name)
            if keep:
                os.makedirs(keep, exist_ok=True)
                with open(os.path.join(keep, name), "w") as f:
                    f.write(text)
    print("%d of %s programs differ; %d more only in how a refused comparison names its operands"
          % (differing, options["--count"], orderOnly))


if __name__ == "__main__":
    main()
