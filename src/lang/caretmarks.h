#pragma once

#include <QColor>
#include <QList>
#include <QObject>

class EditorTextEdit;
class QTextDocument;

// Marks under the text around the caret: the caret's line across the view,
// and when the caret is on a bracket or a block keyword (function, if,
// while, for, repeat, do ... end, until), that word or bracket and its
// partner.
class CaretMarks : public QObject
{
    Q_OBJECT

public:
    explicit CaretMarks(EditorTextEdit *editor);

    // The caret line's colour and the colour of matching marks.
    void setColours(const QColor &caretLine, const QColor &match);

    // How far from the caret's line a partner is looked for.
    static constexpr int SearchLines = 2000;

    struct Span
    {
        int start;
        int length;
        bool operator==(const Span &other) const = default;
    };
    // The token at `position` and its partner (document positions); empty
    // when the caret is on neither or the partner is not found.
    static QList<Span> matchAt(const QTextDocument &document, int position);

private:
    void update();

    EditorTextEdit *m_editor;
    QColor m_caretLine;
    QColor m_match;
    // What the marks show now: typing within a line changes neither, and
    // then nothing is marked or painted again.
    int m_markedLine = -1;
    QList<Span> m_markedSpans;
};
