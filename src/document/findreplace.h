#pragma once

#include <QString>
#include <QTextCursor>

class QTextDocument;

// Searching and replacing in the document, without any window: the find
// dialog and the keys call these, and tests drive them directly.
namespace FindReplace {

enum class Direction { Forward, Backward };

// How a term is compared. A plain bool converts to "match case or not".
struct Options
{
    // NOLINTNEXTLINE(google-explicit-constructor): a bool says match case.
    Options(bool matchCase = false, bool words = false, bool regex = false)
        : caseSensitive(matchCase), wholeWords(words), regularExpression(regex)
    {}
    bool caseSensitive;
    bool wholeWords;        // only where the term is a whole word
    bool regularExpression; // the term is a regular expression
};

// Why `term` cannot be searched for under `options` (an invalid regular
// expression), or empty when it can.
QString termError(const QString &term, const Options &options);

struct Match
{
    QTextCursor cursor;   // selects the match; null when there is none
    bool wrapped = false; // found only after going on from the other end

    bool found() const { return !cursor.isNull(); }
};

// The next occurrence of `term` after the selection (forward) or before it
// (backward); when the end is reached, the search goes on once from the
// other end. An empty term finds nothing.
// Empty matches of a regular expression are passed over.
Match find(const QTextDocument &document, const QTextCursor &from, const QString &term,
           Direction direction, const Options &options);

// Whether `cursor` selects exactly what the search would find there.
bool selects(const QTextCursor &cursor, const QString &term, const Options &options);

// The text that replaces the match `cursor` selects: `replacement`, in
// which for a regular expression \1 to \9 stand for its groups.
QString replacementFor(const QTextCursor &cursor, const QString &term, const QString &replacement,
                       const Options &options);

// Replaces every occurrence of `term` in the document as one step that a
// single Undo takes back. Returns how many were replaced.
int replaceAll(QTextDocument &document, const QString &term, const QString &replacement,
               const Options &options);

} // namespace FindReplace
