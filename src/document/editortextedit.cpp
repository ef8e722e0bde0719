#include "editortextedit.h"

#include "linebreaks.h"
#include "textmirror.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QPaintEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <cmath>

EditorTextEdit::EditorTextEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    // First to hear of every change, so that whatever watches the document
    // after it reads a copy that is already current.
    TextMirror::of(*document());
    connect(this, &QPlainTextEdit::cursorPositionChanged, this,
            &EditorTextEdit::updateCaretBlinking);
}

EditorTextEdit::~EditorTextEdit()
{
    if (m_steadyCaret)
        QApplication::setCursorFlashTime(m_flashTime);
}

void EditorTextEdit::updateCaretBlinking()
{
    // The flash time is the application's: it is changed only while this
    // editor has the focus, and given back when it goes.
    const bool steady = hasFocus() && textCursor().block().length() > SteadyCaretLength;
    if (steady == m_steadyCaret)
        return;
    m_steadyCaret = steady;
    if (steady) {
        m_flashTime = QApplication::cursorFlashTime();
        QApplication::setCursorFlashTime(0);
    } else {
        QApplication::setCursorFlashTime(m_flashTime);
    }
}

void EditorTextEdit::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    updateCaretBlinking();
}

void EditorTextEdit::focusOutEvent(QFocusEvent *event)
{
    // Before the focus moves on: the next widget blinks as the desktop says.
    if (m_steadyCaret) {
        m_steadyCaret = false;
        QApplication::setCursorFlashTime(m_flashTime);
    }
    QPlainTextEdit::focusOutEvent(event);
}

TextMirror &EditorTextEdit::textMirror() const
{
    return TextMirror::of(*document());
}

QString EditorTextEdit::plainTextCrLf() const
{
    // A soft line break (U+2028) never comes from this editor, but a
    // document set from rich text might hold one: it is a line break all
    // the same.
    return textMirror().textCrLf();
}

void EditorTextEdit::setPlainTextAnyBreaks(const QString &text)
{
    // The document ends a block at CR LF, LF, CR and the paragraph
    // separator by itself; only a soft line break would stay inside a line.
    if (text.contains(QChar::LineSeparator)) {
        QString lines = text;
        lines.replace(QChar::LineSeparator, u'\n');
        setTextShowingFirstScreen(lines);
        return;
    }
    setTextShowingFirstScreen(text);
}

void EditorTextEdit::setTextShowingFirstScreen(const QString &text)
{
    // The new text takes the caret's character format. A point size there
    // would fix the text's size, and the editor's zoom (its font) would no
    // longer reach it: the size comes from the editor's font instead.
    QTextCursor caret = textCursor();
    QTextCharFormat format = caret.charFormat();
    if (format.hasProperty(QTextFormat::FontPointSize)) {
        format.clearProperty(QTextFormat::FontPointSize);
        caret.setCharFormat(format);
        setTextCursor(caret);
    }
    // Laying out a multi-megabyte text takes a second or more. On screen, the
    // first lines are set and painted first, so the user reads the top of
    // the file at once; the rest follows in the same call, before any input
    // is handled, so nothing can see the text half loaded.
    constexpr qsizetype BigText = 1 << 20;
    const qsizetype cut = isVisible() && text.size() > BigText ? firstScreenEnd(text) : -1;
    if (cut <= 0) {
        setPlainText(text);
        return;
    }
    // Every change of the view's width lays out all lines again.
    m_incomingLines = int(std::min<qsizetype>(text.count(u'\n') + 1, INT_MAX));
    setPlainText(text.first(cut));
    repaint();
    QTextDocument *doc = document();
    const bool undo = doc->isUndoRedoEnabled();
    // The loaded text is not an edit the user could undo.
    doc->setUndoRedoEnabled(false);
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.insertText(text.sliced(cut));
    doc->setUndoRedoEnabled(undo);
    doc->setModified(false);
    m_incomingLines = 0;
}

qsizetype EditorTextEdit::firstScreenEnd(const QString &text) const
{
    // Twice the lines the view holds, ended by LF (so a CR LF pair is
    // never split); -1 when the text has fewer.
    const int lineHeight = std::max(1, fontMetrics().lineSpacing());
    const int lines = 2 * (viewport()->height() / lineHeight + 1);
    qsizetype at = -1;
    for (int i = 0; i < lines; ++i) {
        at = text.indexOf(u'\n', at + 1);
        if (at < 0)
            return -1;
    }
    return at + 1;
}

QString EditorTextEdit::selectedPlainText() const
{
    return LineBreaks::normalized(textCursor().selectedText());
}

void EditorTextEdit::replaceSelection(const QString &text)
{
    QTextCursor cursor = textCursor();
    cursor.insertText(LineBreaks::normalized(text));
    setTextCursor(cursor);
}

void EditorTextEdit::keyPressEvent(QKeyEvent *event)
{
    // Shift+Enter would make a soft break inside a paragraph; here every
    // break starts a new line of the program.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text(), event->isAutoRepeat(), event->count());
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool EditorTextEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void EditorTextEdit::insertFromMimeData(const QMimeData *source)
{
    if (source->hasText())
        replaceSelection(source->text());
}

QMimeData *EditorTextEdit::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setText(selectedPlainText());
    return data;
}

QRect EditorTextEdit::markRect(const BackgroundMark &mark) const
{
    const QTextBlock block = mark.range.block();
    if (!block.isValid() || !block.isVisible())
        return {};
    const QRectF line = blockBoundingGeometry(block).translated(contentOffset());
    if (mark.wholeLine)
        return QRect(0, int(line.top()), viewport()->width(), int(std::ceil(line.height())));
    QTextCursor start(mark.range);
    start.setPosition(mark.range.selectionStart());
    QTextCursor end(mark.range);
    end.setPosition(mark.range.selectionEnd());
    const QRect from = cursorRect(start);
    const QRect to = cursorRect(end);
    return QRect(QPoint(from.left(), from.top()), QPoint(to.left(), from.bottom()));
}

void EditorTextEdit::setBackgroundMarks(const QList<BackgroundMark> &marks)
{
    // Only where the old and the new marks lie is painted again.
    for (const BackgroundMark &mark : std::as_const(m_backgroundMarks))
        viewport()->update(markRect(mark));
    m_backgroundMarks = marks;
    for (const BackgroundMark &mark : std::as_const(m_backgroundMarks))
        viewport()->update(markRect(mark));
}

void EditorTextEdit::paintEvent(QPaintEvent *event)
{
    // The view's background is already filled; the text goes over these.
    if (!m_backgroundMarks.isEmpty()) {
        QPainter painter(viewport());
        painter.setClipRect(event->rect());
        for (const BackgroundMark &mark : std::as_const(m_backgroundMarks)) {
            const QRect rect = markRect(mark);
            if (rect.intersects(event->rect()))
                painter.fillRect(rect, mark.colour);
        }
    }
    QPlainTextEdit::paintEvent(event);
}
