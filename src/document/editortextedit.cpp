#include "editortextedit.h"

#include "linebreaks.h"
#include "textmirror.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

EditorTextEdit::EditorTextEdit(QWidget *parent) : QPlainTextEdit(parent)
{
    // First to hear of every change, so that whatever watches the document
    // after it reads a copy that is already current.
    TextMirror::of(*document());
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
        setPlainText(lines);
        return;
    }
    setPlainText(text);
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
