#pragma once

#include "document/editortextedit.h"
#include "app/frmmain.h"
#include "document/projectdocument.h"
#include "app/program.h"
#include "app/unsavedtext.h"
#include "scriptedhost.h"

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

// A main window on the offscreen platform, with a temporary program
// directory and scripted dialogs.
struct MainWindowFixture
{
    QTemporaryDir dir;
    ScriptedHostServices host{dir.path()};
    Program program;
    QPointer<frmMain> window;

    explicit MainWindowFixture(const QString &commandLine = {}) : program(host, commandLine)
    {
        program.startMainWindow();
        window = program.mainWindow();
        window->activateWindow();
    }

    // Closed as a user closes it: no copy of unsaved text outlives a test.
    ~MainWindowFixture()
    {
        if (window)
            window->unsavedText().closedProperly();
    }
    MainWindowFixture(const MainWindowFixture &) = delete;
    MainWindowFixture &operator=(const MainWindowFixture &) = delete;

    EditorTextEdit *editor() const { return window->editor(); }
    QString text() const { return window->document().text(); }
    QString status() const;
    QString path(const QString &name) const { return dir.filePath(name); }

    void setText(const QString &text) { editor()->setPlainTextAnyBreaks(text); }
    void setCaret(int position, int anchor = -1)
    {
        QTextCursor cursor = editor()->textCursor();
        cursor.setPosition(anchor < 0 ? position : anchor);
        if (anchor >= 0)
            cursor.setPosition(position, QTextCursor::KeepAnchor);
        editor()->setTextCursor(cursor);
    }
    void trigger(const char *actionName) const
    {
        QAction *action = window->findChild<QAction *>(QLatin1String(actionName));
        QVERIFY2(action, actionName);
        action->trigger();
    }

    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

#include <QStatusBar>
inline QString MainWindowFixture::status() const
{
    return window->lineStatusBar()->currentMessage();
}
