#include "findreplace.h"

#include <QRegularExpression>
#include <QTextDocument>

namespace FindReplace {

namespace {

QTextDocument::FindFlags flagsFor(Direction direction, const Options &options)
{
    QTextDocument::FindFlags flags;
    if (direction == Direction::Backward)
        flags |= QTextDocument::FindBackward;
    if (options.caseSensitive)
        flags |= QTextDocument::FindCaseSensitively;
    if (options.wholeWords)
        flags |= QTextDocument::FindWholeWords;
    return flags;
}

QRegularExpression expressionFor(const QString &term, const Options &options)
{
    return QRegularExpression(term, options.caseSensitive
                                        ? QRegularExpression::NoPatternOption
                                        : QRegularExpression::CaseInsensitiveOption);
}

// The next match from `from`, passing over empty ones.
QTextCursor findOne(const QTextDocument &document, const QString &term, QTextCursor from,
                    Direction direction, const Options &options)
{
    const QTextDocument::FindFlags flags = flagsFor(direction, options);
    if (!options.regularExpression)
        return document.find(term, from, flags);
    const QRegularExpression expression = expressionFor(term, options);
    if (!expression.isValid())
        return {};
    for (;;) {
        QTextCursor found = document.find(expression, from, flags);
        if (found.isNull() || found.hasSelection())
            return found;
        // An empty match: step past it, or stop at the end.
        const int next = found.position() + (direction == Direction::Forward ? 1 : -1);
        if (next < 0 || next >= document.characterCount())
            return {};
        from = QTextCursor(const_cast<QTextDocument *>(&document));
        from.setPosition(next);
    }
}

QTextCursor cursorAt(const QTextDocument &document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(position);
    return cursor;
}

} // namespace

QString termError(const QString &term, const Options &options)
{
    if (!options.regularExpression)
        return {};
    const QRegularExpression expression = expressionFor(term, options);
    return expression.isValid() ? QString() : expression.errorString();
}

Match find(const QTextDocument &document, const QTextCursor &from, const QString &term,
           Direction direction, const Options &options)
{
    if (term.isEmpty())
        return {};
    // QTextDocument searches forward from the selection's end and backward
    // from its start, so a selected match is not found again.
    QTextCursor found = findOne(document, term, from, direction, options);
    if (!found.isNull())
        return {found, false};
    const int restart = direction == Direction::Forward ? 0 : document.characterCount() - 1;
    found = findOne(document, term, cursorAt(document, restart), direction, options);
    return {found, !found.isNull()};
}

bool selects(const QTextCursor &cursor, const QString &term, const Options &options)
{
    if (!cursor.hasSelection() || term.isEmpty())
        return false;
    if (!options.regularExpression && !options.wholeWords)
        return cursor.selectedText().compare(
                   term, options.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
    // What a search from the selection's start finds there.
    const QTextCursor found =
        findOne(*cursor.document(), term, cursorAt(*cursor.document(), cursor.selectionStart()),
                Direction::Forward, options);
    return !found.isNull() && found.selectionStart() == cursor.selectionStart() &&
           found.selectionEnd() == cursor.selectionEnd();
}

QString replacementFor(const QTextCursor &cursor, const QString &term, const QString &replacement,
                       const Options &options)
{
    if (!options.regularExpression || !replacement.contains(u'\\'))
        return replacement;
    const QRegularExpressionMatch match =
        QRegularExpression(QStringLiteral("\\A(?:%1)\\z").arg(term),
                           expressionFor(term, options).patternOptions())
            .match(cursor.selectedText());
    QString text;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        if (c == u'\\' && i + 1 < replacement.size()) {
            const QChar next = replacement[++i];
            if (next.isDigit() && next != u'0')
                text += match.captured(next.digitValue());
            else
                text += next;
        } else {
            text += c;
        }
    }
    return text;
}

int replaceAll(QTextDocument &document, const QString &term, const QString &replacement,
               const Options &options)
{
    if (term.isEmpty())
        return 0;
    QTextCursor edit(&document);
    int count = 0;
    // Each search starts after the text just inserted, so a replacement that
    // contains the term is not replaced again.
    for (QTextCursor match =
             findOne(document, term, cursorAt(document, 0), Direction::Forward, options);
         !match.isNull(); match = findOne(document, term, edit, Direction::Forward, options)) {
        if (count == 0)
            edit.beginEditBlock();
        edit.setPosition(match.selectionStart());
        edit.setPosition(match.selectionEnd(), QTextCursor::KeepAnchor);
        edit.insertText(replacementFor(match, term, replacement, options));
        ++count;
    }
    if (count > 0)
        edit.endEditBlock();
    return count;
}

} // namespace FindReplace
