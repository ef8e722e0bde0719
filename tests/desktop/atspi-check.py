#!/usr/bin/python3
# Reads the running editor as a screen reader does, through AT-SPI, and
# checks what one needs: the window's role, the named editor with its text
# and where each character is drawn, the labelled catalogue, the read-only
# help pane and the caret's line in the status bar. Prints one line per
# fault and exits 1 when there is any.
# usage: atspi-check.py FIRST-LINE   (the text the editor's first line holds)
import sys

import pyatspi

faults = []


def check(ok, fault):
    if not ok:
        faults.append(fault)


def nodes(node, depth=0):
    if node is None or depth > 15:
        return
    yield node
    for i in range(node.childCount):
        yield from nodes(node.getChildAtIndex(i), depth + 1)


def find(root, role, name=None, contains=None):
    for node in nodes(root):
        try:
            if node.getRoleName() != role:
                continue
            if name is not None and node.name != name:
                continue
            if contains is not None and contains not in (node.name or ""):
                continue
            return node
        except Exception:
            continue
    return None


apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Scrivlet IDE"]
check(len(apps) == 1, "the desktop lists %d editors named Scrivlet IDE" % len(apps))
if not apps:
    print("\n".join(faults))
    sys.exit(1)
app = apps[0]

check(find(app, "frame", "Scrivlet IDE 1.3b") is not None, "the main window is no frame")

editor = find(app, "text", "Program text")
check(editor is not None, "no text named 'Program text'")
if editor is not None:
    states = editor.getState()
    check(states.contains(pyatspi.STATE_EDITABLE), "the editor is not editable")
    text = editor.queryText()
    whole = text.getText(0, -1)
    first = sys.argv[1]
    check(whole.startswith(first), "the editor's text starts %r" % whole[:40])
    # Each line lower than the one before, and the end of the text a place.
    starts = [0]
    for i, c in enumerate(whole):
        if c == "\n":
            starts.append(i + 1)
    ys = [text.getCharacterExtents(s, pyatspi.DESKTOP_COORDS)[1] for s in starts[:4]]
    check(all(a < b for a, b in zip(ys, ys[1:])), "lines are drawn at y %s" % ys)
    end = text.getCharacterExtents(len(whole), pyatspi.DESKTOP_COORDS)
    check(end[3] > 0, "the end of the text has no place: %s" % (end,))

catalogue = find(app, "list", "(P)Lua functions")
check(catalogue is not None, "no list named '(P)Lua functions'")
label = find(app, "label", "(P)Lua functions:")
check(label is not None, "no label '(P)Lua functions:'")
if label is not None:
    labels = [r for r in label.getRelationSet()
              if r.getRelationType() == pyatspi.RELATION_LABEL_FOR]
    names = [r.getTarget(i).name for r in labels for i in range(r.getNTargets())]
    check("(P)Lua functions" in names, "'(P)Lua functions:' labels %s" % names)

helpPane = find(app, "text", "Function help")
check(helpPane is not None, "no text named 'Function help'")
if helpPane is not None:
    check(not helpPane.getState().contains(pyatspi.STATE_EDITABLE), "the help pane is editable")

status = find(app, "status bar")
check(status is not None and (status.name or "").startswith("Line 1 of "),
      "the status bar reads %r" % (status.name if status is not None else None))

print("\n".join(faults) if faults else "ok")
sys.exit(1 if faults else 0)
