#include "accessibility.h"

#include "document/editortextedit.h"

#include <QAccessibleWidget>
#include <QDialog>
#include <QMainWindow>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

namespace {

// The editor's text for screen readers. Qt's own interface for a plain-text
// edit places every character of a line at the first visible line's height
// and has no extent for the end of the text; this one measures where the
// editor draws each character.
class EditorAccessible : public QAccessibleWidget,
                         public QAccessibleTextInterface,
                         public QAccessibleEditableTextInterface
{
public:
    explicit EditorAccessible(EditorTextEdit *editor)
        : QAccessibleWidget(editor, QAccessible::EditableText)
    {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.multiLine = true;
        state.editable = !editor()->isReadOnly();
        state.readOnly = editor()->isReadOnly();
        state.selectableText = true;
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return editor()->toPlainText();
        return QAccessibleWidget::text(kind);
    }

    // QAccessibleTextInterface
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
        const QTextCursor cursor = editor()->textCursor();
        if (selectionIndex == 0 && cursor.hasSelection()) {
            *startOffset = cursor.selectionStart();
            *endOffset = cursor.selectionEnd();
        }
    }
    int selectionCount() const override { return editor()->textCursor().hasSelection() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int selectionIndex) override
    {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = editor()->textCursor();
        cursor.clearSelection();
        editor()->setTextCursor(cursor);
    }
    void setSelection(int selectionIndex, int startOffset, int endOffset) override
    {
        if (selectionIndex != 0)
            return;
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(clamped(startOffset));
        cursor.setPosition(clamped(endOffset), QTextCursor::KeepAnchor);
        editor()->setTextCursor(cursor);
    }
    int cursorPosition() const override { return editor()->textCursor().position(); }
    void setCursorPosition(int position) override
    {
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(clamped(position));
        editor()->setTextCursor(cursor);
    }
    QString text(int startOffset, int endOffset) const override
    {
        QTextCursor cursor(editor()->document());
        cursor.setPosition(clamped(startOffset));
        cursor.setPosition(clamped(endOffset), QTextCursor::KeepAnchor);
        return cursor.selectedText().replace(QChar::ParagraphSeparator, u'\n');
    }
    int characterCount() const override { return editor()->document()->characterCount() - 1; }

    QRect characterRect(int offset) const override
    {
        if (offset < 0 || offset > characterCount())
            return {};
        QTextCursor at(editor()->document());
        at.setPosition(offset);
        const QRect caret = editor()->cursorRect(at);
        // Up to the next character on the same line; the end of a line or
        // of the text is as wide as a space.
        int width = editor()->fontMetrics().horizontalAdvance(u' ');
        if (!at.atBlockEnd()) {
            QTextCursor next(at);
            next.setPosition(offset + 1);
            const QRect after = editor()->cursorRect(next);
            if (after.top() == caret.top() && after.left() > caret.left())
                width = after.left() - caret.left();
        }
        const QRect local(caret.left(), caret.top(), std::max(1, width), caret.height());
        return QRect(editor()->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    int offsetAtPoint(const QPoint &point) const override
    {
        const QPoint local = editor()->viewport()->mapFromGlobal(point);
        if (!editor()->viewport()->rect().contains(local))
            return -1;
        return editor()->cursorForPosition(local).position();
    }

    void scrollToSubstring(int startIndex, int endIndex) override
    {
        QTextCursor cursor(editor()->document());
        cursor.setPosition(clamped(endIndex));
        editor()->setTextCursor(cursor);
        editor()->ensureCursorVisible();
        cursor.setPosition(clamped(startIndex));
        editor()->setTextCursor(cursor);
        editor()->ensureCursorVisible();
    }

    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        // One run of the editor's own font: the colours are display only.
        *startOffset = 0;
        *endOffset = characterCount();
        Q_UNUSED(offset);
        return QString();
    }

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override
    {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        if (editor()->isReadOnly())
            return;
        QTextCursor cursor(editor()->document());
        cursor.setPosition(clamped(startOffset));
        cursor.setPosition(clamped(endOffset), QTextCursor::KeepAnchor);
        cursor.insertText(text);
    }

private:
    EditorTextEdit *editor() const { return static_cast<EditorTextEdit *>(widget()); }
    int clamped(int offset) const { return std::clamp(offset, 0, characterCount()); }
};

// A top-level window of the program's own that Qt would report as a bare
// pane: a fixed window is a dialog, a sizable one a frame.
QAccessibleInterface *windowAccessible(QWidget *widget)
{
    if (!widget->isWindow() || qobject_cast<QDialog *>(widget) ||
        qobject_cast<QMainWindow *>(widget))
        return nullptr;
    const Qt::WindowType type = widget->windowType();
    if (type != Qt::Window && type != Qt::Dialog)
        return nullptr;
    const bool fixed = widget->minimumSize() == widget->maximumSize();
    return new QAccessibleWidget(widget, type == Qt::Dialog || fixed ? QAccessible::Dialog
                                                                     : QAccessible::Window);
}

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    // Asked once per class from the object's own upwards: only the first
    // asking decides.
    if (!widget || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (auto *editor = qobject_cast<EditorTextEdit *>(widget))
        return new EditorAccessible(editor);
    return windowAccessible(widget);
}

} // namespace

namespace Accessibility {

void install()
{
    QAccessible::installFactory(factory);
}

} // namespace Accessibility
