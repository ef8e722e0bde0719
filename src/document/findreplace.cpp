#include "findreplace.h"

#include <QTextDocument>

namespace FindReplace {

namespace {

QTextDocument::FindFlags flagsFor(Direction direction, bool caseSensitive)
{
    QTextDocument::FindFlags flags;
    if (direction == Direction::Backward)
        flags |= QTextDocument::FindBackward;
    if (caseSensitive)
        flags |= QTextDocument::FindCaseSensitively;
    return flags;
}

} // namespace

Match find(const QTextDocument &document, const QTextCursor &from, const QString &term,
           Direction direction, bool caseSensitive)
{
    if (term.isEmpty())
        return {};
    const QTextDocument::FindFlags flags = flagsFor(direction, caseSensitive);
    // QTextDocument searches forward from the selection's end and backward
    // from its start, so a selected match is not found again.
    QTextCursor found = document.find(term, from, flags);
    if (!found.isNull())
        return {found, false};
    const int restart = direction == Direction::Forward ? 0 : document.characterCount() - 1;
    found = document.find(term, restart, flags);
    return {found, !found.isNull()};
}

bool selects(const QTextCursor &cursor, const QString &term, bool caseSensitive)
{
    return cursor.hasSelection() && !term.isEmpty() &&
           cursor.selectedText().compare(term, caseSensitive ? Qt::CaseSensitive
                                                             : Qt::CaseInsensitive) == 0;
}

int replaceAll(QTextDocument &document, const QString &term, const QString &replacement,
               bool caseSensitive)
{
    if (term.isEmpty())
        return 0;
    const QTextDocument::FindFlags flags = flagsFor(Direction::Forward, caseSensitive);
    QTextCursor edit(&document);
    int count = 0;
    // Each search starts after the text just inserted, so a replacement that
    // contains the term is not replaced again.
    for (QTextCursor match = document.find(term, 0, flags); !match.isNull();
         match = document.find(term, edit, flags)) {
        if (count == 0)
            edit.beginEditBlock();
        edit.setPosition(match.selectionStart());
        edit.setPosition(match.selectionEnd(), QTextCursor::KeepAnchor);
        edit.insertText(replacement);
        ++count;
    }
    if (count > 0)
        edit.endEditBlock();
    return count;
}

} // namespace FindReplace
