#pragma once

#include <QList>
#include <QString>
#include <Qt>

// The key notation used to type text into the focused widget:
//   "{END}", "{ENTER}", "{UP}", "{F5 3}"   named keys, with an optional repeat count
//   "{(}", "{)}", "{+}", "{{}", "{}}"      characters that mean something unbraced
//   "+", "^", "%"                          Shift, Ctrl, Alt held for the next key or group
//   "~"                                    Enter
//   "(" ... ")"                            a group for a preceding modifier; types nothing
// Every other character is typed as it is.

struct KeyStroke
{
    int key = 0; // a Qt::Key value
    Qt::KeyboardModifiers modifiers;
    QString text; // what the key types; empty for keys that type nothing

    bool operator==(const KeyStroke &other) const = default;
};

struct KeyParseResult
{
    QList<KeyStroke> strokes;
    QString error; // empty when the whole notation was understood

    bool ok() const { return error.isEmpty(); }
};

KeyParseResult parseKeyNotation(QStringView notation);

// Notation that types `text` exactly as it stands: every character with a
// meaning of its own is braced, and line breaks become Enter.
QString literalKeyNotation(QStringView text);
