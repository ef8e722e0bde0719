#pragma once

#include <QString>
#include <QTextCursor>

class QTextDocument;

// Searching and replacing in the document, without any window: the find
// dialog and the keys call these, and tests drive them directly.
namespace FindReplace {

enum class Direction { Forward, Backward };

struct Match
{
    QTextCursor cursor;   // selects the match; null when there is none
    bool wrapped = false; // found only after going on from the other end

    bool found() const { return !cursor.isNull(); }
};

// The next occurrence of `term` after the selection (forward) or before it
// (backward); when the end is reached, the search goes on once from the
// other end. An empty term finds nothing.
Match find(const QTextDocument &document, const QTextCursor &from, const QString &term,
           Direction direction, bool caseSensitive);

// Whether `cursor` selects exactly `term`, as the search would compare them.
bool selects(const QTextCursor &cursor, const QString &term, bool caseSensitive);

// Replaces every occurrence of `term` in the document as one step that a
// single Undo takes back. Returns how many were replaced.
int replaceAll(QTextDocument &document, const QString &term, const QString &replacement,
               bool caseSensitive);

} // namespace FindReplace
