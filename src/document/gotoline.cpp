#include "gotoline.h"

#include <QPlainTextEdit>
#include <QTextBlock>

namespace GoToLine {

int parse(const QString &typed, int lineCount)
{
    bool ok = false;
    const int line = typed.trimmed().toInt(&ok);
    return ok && line >= 1 && line <= lineCount ? line : 0;
}

void moveTo(QPlainTextEdit &editor, int line)
{
    const QTextBlock block = editor.document()->findBlockByNumber(line - 1);
    if (!block.isValid())
        return;
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(block.position());
    editor.setTextCursor(cursor);
    editor.centerCursor();
}

} // namespace GoToLine
