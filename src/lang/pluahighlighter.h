#pragma once

#include <QSet>
#include <QString>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QTextDocument;

// Colours a Plua 1 program as it is written: the 18 reserved words of the
// handheld's Lua (`true`, `false`, `goto` and `in` are plain names there),
// strings, long strings over several lines, comments, numbers, `%` upvalues
// and the catalogue's library functions. It only sets display formats on
// the layout: the document's text and character formats stay untouched.
//
// The scan forgives errors (an unfinished string colours to the end of its
// line) and is incremental: each line starts from the state the line above
// ended in, so an edit re-colours its own lines and only those after it whose
// starting state changed.
class PluaHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    enum class Kind { Keyword, String, Comment, Number, Upvalue, Library };

    explicit PluaHighlighter(QTextDocument *parent);

    // The format each kind of token is shown in.
    QTextCharFormat format(Kind kind) const;

    // Names of the catalogue's functions ("pbox", "print").
    static const QSet<QString> &libraryNames();

protected:
    void highlightBlock(const QString &text) override;

private:
    // Colours `length` characters from `start` and moves past them.
    void paint(int start, int length, Kind kind);

    QTextCharFormat m_formats[6];
};
