#pragma once

#include <QColor>
#include <QList>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>

class TextMirror;

// The document editor. Its document carries character formatting (the
// initial title line is bold Courier New) but only plain text comes in:
// paste and drop insert the clipboard's plain text, and every line break
// becomes a paragraph of its own, so that one editor line is one line of the
// program. It is a plain-text edit underneath because that lays out one
// block at a time: typing costs the same in a 100,000-line program as in a
// 10-line one.
class EditorTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit EditorTextEdit(QWidget *parent = nullptr);
    ~EditorTextEdit() override;

    // A caret on a line longer than this stops blinking: each blink redraws
    // the line up to the caret, which on such a line costs a real share of
    // a CPU while the user does nothing.
    static constexpr int SteadyCaretLength = 10000;
    bool caretIsSteady() const { return m_steadyCaret; }

    // The plain copy of the document kept beside it (see TextMirror).
    TextMirror &textMirror() const;
    // The document's plain text with CR LF between lines.
    QString plainTextCrLf() const;
    // Replaces the whole text; line breaks may be CR LF, LF or CR.
    void setPlainTextAnyBreaks(const QString &text);
    // The selected text with the platform's "\n" between lines.
    QString selectedPlainText() const;
    // Replaces the selection (or inserts at the caret) with plain text.
    void replaceSelection(const QString &text);

    // The line count, or while a big text is being set, the count it will
    // have: a margin sized for it at once spares a relayout of every line.
    int expectedLineCount() const { return std::max(blockCount(), m_incomingLines); }

    // Room left of the text for a margin widget (line numbers).
    void setLeftMargin(int width) { setViewportMargins(width, 0, 0, 0); }

    // Colours painted under the text: a whole line across the view, or the
    // characters of a range on one line. Unlike extra selections they change
    // neither the text's colours nor the selection's.
    struct BackgroundMark
    {
        QTextCursor range;
        QColor colour;
        bool wholeLine = false;
    };
    void setBackgroundMarks(const QList<BackgroundMark> &marks);
    const QList<BackgroundMark> &backgroundMarks() const { return m_backgroundMarks; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void setTextShowingFirstScreen(const QString &text);
    // Where the text of the first screenful or two ends, or -1.
    qsizetype firstScreenEnd(const QString &text) const;

    // Stops or restarts the caret's blinking for the line it is on.
    void updateCaretBlinking();
    // Where `mark` lies in the viewport's coordinates.
    QRect markRect(const BackgroundMark &mark) const;

    int m_incomingLines = 0;
    QList<BackgroundMark> m_backgroundMarks;
    bool m_steadyCaret = false;
    int m_flashTime = 0; // the desktop's, while the caret is held steady
};
