#include "codeinsertion.h"

#include "app/editortextedit.h"
#include "app/frmmain.h"
#include "app/hostservices.h"
#include "app/keynotation.h"

namespace CodeInsertion {

void insertCatalogueEntry(frmMain &window, const QString &listText)
{
    HostServices &host = window.host();
    window.text1()->setFocus();
    host.sendKeys(QStringLiteral("{END}"));
    host.sendKeys(QStringLiteral("{ENTER}"));
    // The list text's own parentheses are an empty group in the key
    // notation and type nothing; the braced pair types them.
    host.sendKeys(listText);
    host.sendKeys(QStringLiteral("{(}{)}"));
}

void insertNewFunction(frmMain &window)
{
    HostServices &host = window.host();
    const QString name = host.inputBox(QStringLiteral("Name for new function?"),
                                       QStringLiteral("Create a new function"));
    if (name.isEmpty())
        return;
    window.text1()->setFocus();
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

void insertComment(frmMain &window)
{
    HostServices &host = window.host();
    const QString comment = host.inputBox(QStringLiteral("Your comment?"),
                                          QStringLiteral("Insert a comment"));
    if (comment.isEmpty())
        return;
    window.text1()->setFocus();
    window.text1()->replaceSelection(QStringLiteral("-- ") + comment);
}

} // namespace CodeInsertion
