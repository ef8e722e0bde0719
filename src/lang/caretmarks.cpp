#include "caretmarks.h"

#include "document/editortextedit.h"

CaretMarks::CaretMarks(EditorTextEdit *editor) : QObject(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("caretMarks"));
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &CaretMarks::update);
}

void CaretMarks::setColours(const QColor &caretLine, const QColor &match)
{
    m_caretLine = caretLine;
    m_match = match;
    update();
}

void CaretMarks::update()
{
    QList<EditorTextEdit::BackgroundMark> marks;
    marks.append({m_editor->textCursor(), m_caretLine, true});
    m_editor->setBackgroundMarks(marks);
}
