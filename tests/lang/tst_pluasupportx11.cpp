// Typing a fault into the editor on a real display: keys come from the X
// server, the window manager gives the focus. The fault is underlined
// within a second of the last key, its message is read without the mouse
// (the status field, F8), and fixing it clears the mark.

#include "lang/linenumbermargin.h"
#include "lang/pluadiagnostics.h"
#include "lang/pluasupport.h"
#include "mainwindowfixture.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolTip>

namespace {

bool xdotool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStandardPaths::findExecutable("xdotool"), arguments);
    return p.waitForFinished(20000) && p.exitCode() == 0;
}

} // namespace

class tst_PluaSupportX11 : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QFAIL("runs on a real X display: start it through run-on-x.sh");
    }

    void typedFaultIsMarkedAndFixingClearsIt()
    {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window));
        QVERIFY(xdotool({"windowactivate", "--sync", QString::number(f.window->winId())}));
        QTRY_VERIFY(f.window->isActiveWindow());
        f.editor()->setFocus();
        QTRY_VERIFY(f.editor()->hasFocus());
        PluaSupport *support = PluaSupport::of(f.editor());
        QVERIFY(support);
        PluaDiagnostics *d = support->diagnostics();
        const QLabel *field = f.window->lineStatusBar()->findChild<QLabel *>("pluaErrorField");
        QVERIFY(field);
        QTRY_COMPARE(d->errorLine(), 0);

        // A program with a doubled '=' on its third line.
        QVERIFY(xdotool({"key", "--clearmodifiers", "ctrl+End"}));
        QVERIFY(xdotool({"type", "--delay", "20", "if x then\ry = = 2\rend\r"}));
        QElapsedTimer sinceLastKey;
        sinceLastKey.start();
        QTRY_VERIFY_WITH_TIMEOUT(!f.editor()->extraSelections().isEmpty(), 1000);
        qInfo("underlined %lld ms after the last key", sinceLastKey.elapsed());
        QCOMPARE(d->errorLine(), 3);
        QCOMPARE(f.editor()->extraSelections().first().cursor.selectedText(), QStringLiteral("="));
        QCOMPARE(support->margin()->markedLine(), 3);
        QVERIFY(field->isVisible());
        // The line typed after "then" is indented one step: "  y = = 2".
        QVERIFY(field->text().startsWith(QLatin1String("Line 3, column 7: ")));
        QCOMPARE(field->toolTip(), d->statusText());
        // The caret line status keeps its place on the left, in full.
        QVERIFY(f.status().startsWith(QLatin1String("Line 5 of ")));
        QTRY_VERIFY(field->geometry().left() >
                    f.window->lineStatusBar()->fontMetrics().horizontalAdvance(f.status()));

        // F8 from the top of the text: the caret goes to the fault and its
        // message shows there.
        QVERIFY(xdotool({"key", "--clearmodifiers", "ctrl+Home"}));
        QTRY_COMPARE(f.editor()->textCursor().position(), 0);
        QVERIFY(xdotool({"key", "--clearmodifiers", "F8"}));
        QTRY_COMPARE(f.editor()->textCursor().blockNumber(), 2);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), d->statusText());
        // No help tip comes to cover it.
        QTest::qWait(600);
        QVERIFY(QToolTip::isVisible());

        // The caret is on the second '=': deleting it fixes the line.
        QVERIFY(xdotool({"key", "--clearmodifiers", "Delete"}));
        sinceLastKey.restart();
        QTRY_VERIFY_WITH_TIMEOUT(f.editor()->extraSelections().isEmpty(), 1000);
        qInfo("mark cleared %lld ms after the fix", sinceLastKey.elapsed());
        QCOMPARE(d->errorLine(), 0);
        QVERIFY(field->text().isEmpty());
        QCOMPARE(support->margin()->markedLine(), 0);
        QCOMPARE(f.editor()->document()->findBlockByNumber(2).text(), QStringLiteral("  y =  2"));
    }
};

QTEST_MAIN(tst_PluaSupportX11)
#include "tst_pluasupportx11.moc"
