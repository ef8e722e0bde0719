#include "editortextedit.h"

#include "linebreaks.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

EditorTextEdit::EditorTextEdit(QWidget *parent) : QPlainTextEdit(parent) {}

QString EditorTextEdit::plainTextCrLf() const
{
    const QTextDocument *doc = document();
    QString text;
    text.reserve(doc->characterCount() + doc->blockCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin())
            text += QLatin1String("\r\n");
        QString line = block.text();
        // Soft line breaks never come from this editor, but a document set
        // from rich text might hold one: it is a line break all the same.
        if (line.contains(QChar::LineSeparator))
            line.replace(QChar::LineSeparator, QLatin1String("\r\n"));
        text += line;
    }
    return text;
}

void EditorTextEdit::setPlainTextAnyBreaks(const QString &text)
{
    setPlainText(LineBreaks::normalized(text));
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
