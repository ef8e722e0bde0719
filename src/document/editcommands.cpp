#include "editcommands.h"

#include "document/editortextedit.h"
#include "platform/hostservices.h"

#include <QTextCursor>

namespace EditCommands {

void cut(HostServices &host, EditorTextEdit &editor)
{
    host.clipboardClear();
    host.clipboardSetText(editor.selectedPlainText());
    editor.textCursor().removeSelectedText();
}

void copy(HostServices &host, EditorTextEdit &editor)
{
    host.clipboardClear();
    host.clipboardSetText(editor.selectedPlainText());
}

void paste(HostServices &host, EditorTextEdit &editor)
{
    editor.replaceSelection(host.clipboardText());
}

} // namespace EditCommands
