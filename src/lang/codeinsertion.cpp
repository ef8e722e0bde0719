#include "codeinsertion.h"

#include "document/editortextedit.h"
#include "platform/hostservices.h"
#include "keynotation.h"

namespace CodeInsertion {

void insertCatalogueEntry(HostServices &host, EditorTextEdit &editor, const QString &listText)
{
    editor.setFocus();
    host.sendKeys(QStringLiteral("{END}"));
    host.sendKeys(QStringLiteral("{ENTER}"));
    // The list text's own parentheses are an empty group in the key
    // notation and type nothing; the braced pair types them.
    host.sendKeys(listText);
    host.sendKeys(QStringLiteral("{(}{)}"));
}

void insertNewFunction(HostServices &host, EditorTextEdit &editor)
{
    const QString name = host.inputBox(QStringLiteral("Name for new function?"),
                                       QStringLiteral("Create a new function"));
    if (name.isEmpty())
        return;
    editor.setFocus();
    host.sendKeys(QStringLiteral("^{END}"));
    host.sendKeys(QStringLiteral("{ENTER}"));
    // The name is typed as it stands, even where it holds characters that
    // mean something in the key notation ("a+b" stays "a+b").
    host.sendKeys(QStringLiteral("function ") + literalKeyNotation(name) + QStringLiteral("{(}{)}"));
    host.sendKeys(QStringLiteral("{ENTER}"));
    host.sendKeys(QStringLiteral("{ENTER}"));
    host.sendKeys(QStringLiteral("end"));
    host.sendKeys(QStringLiteral("{UP}"));
}

void insertComment(HostServices &host, EditorTextEdit &editor)
{
    const QString comment = host.inputBox(QStringLiteral("Your comment?"),
                                          QStringLiteral("Insert a comment"));
    if (comment.isEmpty())
        return;
    editor.setFocus();
    editor.replaceSelection(QStringLiteral("-- ") + comment);
}

} // namespace CodeInsertion
