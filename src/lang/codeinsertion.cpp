#include "codeinsertion.h"

#include "document/editortextedit.h"
#include "platform/hostservices.h"
#include "keynotation.h"

namespace CodeInsertion {

void insertCatalogueEntry(HostServices &host, EditorTextEdit &editor, const QString &listText)
{
    editor.setFocus();
    host.sendKeys(QStringLiteral("{END}"), editor.window());
    host.sendKeys(QStringLiteral("{ENTER}"), editor.window());
    // The list text's own parentheses are an empty group in the key
    // notation and type nothing; the braced pair types them.
    host.sendKeys(listText, editor.window());
    host.sendKeys(QStringLiteral("{(}{)}"), editor.window());
}

void insertNewFunction(HostServices &host, EditorTextEdit &editor)
{
    const QString name = host.inputBox(QStringLiteral("Name for new function?"),
                                       QStringLiteral("Create a new function"));
    if (name.isEmpty())
        return;
    editor.setFocus();
    host.sendKeys(QStringLiteral("^{END}"), editor.window());
    host.sendKeys(QStringLiteral("{ENTER}"), editor.window());
    // The name is typed as it stands, even where it holds characters that
    // mean something in the key notation ("a+b" stays "a+b").
    host.sendKeys(QStringLiteral("function ") + literalKeyNotation(name) + QStringLiteral("{(}{)}"),
                  editor.window());
    host.sendKeys(QStringLiteral("{ENTER}"), editor.window());
    host.sendKeys(QStringLiteral("{ENTER}"), editor.window());
    host.sendKeys(QStringLiteral("end"), editor.window());
    host.sendKeys(QStringLiteral("{UP}"), editor.window());
}

void insertComment(HostServices &host, EditorTextEdit &editor)
{
    const QString comment =
        host.inputBox(QStringLiteral("Your comment?"), QStringLiteral("Insert a comment"));
    if (comment.isEmpty())
        return;
    editor.setFocus();
    editor.replaceSelection(QStringLiteral("-- ") + comment);
}

} // namespace CodeInsertion
