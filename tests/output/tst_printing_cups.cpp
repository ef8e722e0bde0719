#include "printcheck.h"
#include "testenv.h"

#include <QDir>
#include <QPrinterInfo>
#include <QSet>
#include <QToolBar>

// Printing from the main window through a real CUPS queue whose default
// printer writes PDF files (cups-pdf), read back with pdftotext.
class tst_PrintingCups : public QObject
{
    Q_OBJECT

    QString m_jobsDir;

    QSet<QString> pdfFiles() const
    {
        const QStringList files = QDir(m_jobsDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        return QSet<QString>(files.cbegin(), files.cend());
    }

    static bool queueEmpty()
    {
        QProcess lpstat;
        lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o")});
        return lpstat.waitForFinished() && lpstat.exitCode() == 0 &&
               lpstat.readAllStandardOutput().trimmed().isEmpty();
    }

private slots:
    void initTestCase()
    {
        m_jobsDir = qEnvironmentVariable("SCRIVLET_CUPS_PDF_DIR");
        if (m_jobsDir.isEmpty())
            QSKIP("needs a CUPS server whose default printer is a cups-pdf queue; "
                  "scripts/test.sh starts one and sets SCRIVLET_CUPS_PDF_DIR to where it "
                  "writes the jobs");
        QVERIFY2(!QPrinterInfo::defaultPrinter().isNull(),
                 "SCRIVLET_CUPS_PDF_DIR is set but CUPS has no default printer");
        QVERIFY(QDir().mkpath(m_jobsDir));
    }

    void printsOnTheDefaultPrinter_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("severalPages");
        QTest::newRow("File, Print, short text")
            << "menu" << QStringLiteral("--Lamp.lua\r\nx = 1\r\n\r\nprint(x)") << false;
        QTest::newRow("toolbar Print button, long text") << "toolbar" << manyLines(180) << true;
    }

    void printsOnTheDefaultPrinter()
    {
        QFETCH(QString, command);
        QFETCH(QString, text);
        QFETCH(bool, severalPages);

        QTRY_VERIFY_WITH_TIMEOUT(queueEmpty(), 30000);
        const QSet<QString> before = pdfFiles();
        QTemporaryDir programDir;
        OutputFixture f(programDir.path());
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(text);
        if (command == u"menu") {
            QVERIFY(f.trigger("mnuFilePrint"));
        } else {
            for (QAction *action : f.window->tbToolBar()->actions()) {
                if (action->data().toString() == QLatin1String("Print"))
                    QTest::mouseClick(f.window->tbToolBar()->widgetForAction(action),
                                      Qt::LeftButton);
            }
        }
        QVERIFY2(f.host.messages.isEmpty(), qPrintable(f.host.messages.value(0).text));

        // The job is done when the queue is empty again and its file is there.
        QTRY_VERIFY_WITH_TIMEOUT(pdfFiles().size() > before.size() && queueEmpty(), 60000);
        const QSet<QString> added = pdfFiles() - before;
        QCOMPARE(added.size(), 1);
        const QString pdf = QDir(m_jobsDir).filePath(*added.cbegin());
        const QStringList pages = pdfPages(pdf);
        QVERIFY(!pages.isEmpty());
        QCOMPARE(pages.size() > 1, severalPages);
        QCOMPARE(allLines(pages), expectedPaper(text));
        QCOMPARE(pageLines(pages[0]).value(1), QString());
        QFile::remove(pdf);
    }
};

SCRIVLET_TEST_MAIN(tst_PrintingCups)
#include "tst_printing_cups.moc"
