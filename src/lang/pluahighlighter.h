#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

class QColor;
class QPlainTextEdit;
class QTextBlock;
class QTextDocument;
class QTimer;

// Colours a Plua 1 program as it is written: the 18 reserved words of the
// handheld's Lua (`true`, `false`, `goto` and `in` are plain names there),
// strings, long strings over several lines, comments, numbers, `%` upvalues
// and the catalogue's library functions. It only sets display formats on
// the lines' layouts: the text, its character formats, the undo history and
// the modified flag stay untouched.
//
// Each line keeps the scanner state it ends in, so an edit re-colours its own
// lines and goes on only while the state at the end of a line differs from
// before. With a view, only the lines on screen (and a screen either side)
// are coloured; the others get their colours when they are scrolled to, and
// lines far below the view are not even scanned until then. Opening a big
// program thus costs what it costs without colours.
class PluaHighlighter : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Keyword, String, Comment, Number, Upvalue, Library };

    // Colours `document` (may be null); it is also the parent.
    explicit PluaHighlighter(QTextDocument *document);

    // Colours another document; null takes the colours off the current one.
    void setDocument(QTextDocument *document);
    QTextDocument *document() const { return m_doc; }

    // Colours only what `view` shows and what is near it; null colours the
    // whole document.
    void setView(QPlainTextEdit *view);

    // The format each kind of token is shown in.
    QTextCharFormat format(Kind kind) const;
    // Shows each kind in its colour from `colours` (in Kind's order) and
    // colours the lines again.
    void setColours(const QColor *colours);

    // Names of the catalogue's functions ("pbox", "print").
    static const QSet<QString> &libraryNames();

    // How many lines have been scanned so far: how far edits reached.
    qint64 linesScanned() const { return m_linesScanned; }

private:
    void contentsChange(int from, int removed, int added);
    // Colours the lines near the view that lack colours, now.
    void colourWindow();
    void scheduleWindow();
    // Scans the lines from the frontier to the window's end.
    void extendToWindow(bool inEdit);
    // Scans `block`, which starts in `state`; colours it when `colour` is
    // set. Returns the state it ends in.
    int scan(const QTextBlock &block, int state, bool colour, bool inEdit);
    int startState(const QTextBlock &block) const;
    int frontier() const;
    void setFrontier(const QTextBlock &block);
    void updateWindow();
    bool inWindow(int blockNumber) const;
    void clearColours();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QPointer<QTextDocument> m_doc;
    QPointer<QPlainTextEdit> m_view;
    QTimer *m_windowTimer;
    // Start of the first line whose state is not known; lines from there on
    // have neither a known state nor valid colours.
    QTextCursor m_frontier;
    bool m_allKnown = false;
    // Block numbers of the lines kept coloured: the view and a screen around.
    int m_windowFirst = 0;
    int m_windowLast = 0;
    bool m_editPending = false;
    int m_blocks = 0; // the document's line count after the last edit
    qint64 m_linesScanned = 0;
    QTextCharFormat m_formats[6];
};
