#include "gotoline.h"

#include <QPlainTextEdit>
#include <QTextBlock>

#include <algorithm>

namespace GoToLine {

int parse(const QString &typed, int lineCount)
{
    bool ok = false;
    const int line = typed.trimmed().toInt(&ok);
    return ok && line >= 1 && line <= lineCount ? line : 0;
}

void moveTo(QPlainTextEdit &editor, int line, Scroll scroll)
{
    // A line past the end (a fault at the end of the program is named on
    // the line after the last) is the last line.
    QTextBlock block = editor.document()->findBlockByNumber(std::max(line, 1) - 1);
    if (!block.isValid())
        block = editor.document()->lastBlock();
    QTextCursor cursor = editor.textCursor();
    cursor.setPosition(block.position());
    editor.setTextCursor(cursor);
    if (scroll == Scroll::Centre)
        editor.centerCursor();
    else
        editor.ensureCursorVisible();
}

} // namespace GoToLine
