#include "printcheck.h"
#include "testenv.h"

#include <QDir>
#include <QPrinterInfo>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QToolBar>

// Printing from the main window through a real CUPS queue whose default
// printer writes PDF files (cups-pdf), read back with pdftotext.
class tst_PrintingCups : public QObject
{
    Q_OBJECT

    QString m_jobsDir;

    // The PDF files in the job folder, each with the time it was written:
    // a job may replace an older file of the same title.
    QHash<QString, QDateTime> pdfFiles() const
    {
        QHash<QString, QDateTime> files;
        const QFileInfoList infos =
            QDir(m_jobsDir).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files);
        for (const QFileInfo &info : infos)
            files.insert(info.fileName(), info.lastModified());
        return files;
    }

    QStringList writtenSince(const QHash<QString, QDateTime> &before) const
    {
        QStringList written;
        const auto now = pdfFiles();
        for (auto it = now.cbegin(); it != now.cend(); ++it) {
            if (!before.contains(it.key()) || before.value(it.key()) != it.value())
                written << it.key();
        }
        return written;
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
        const QHash<QString, QDateTime> before = pdfFiles();
        QTemporaryDir programDir;
        OutputFixture f(programDir.path());
        // The job is named after the project file: a name of its own.
        f.window->document().setFileName(
            programDir.filePath(QFileInfo(programDir.path()).fileName() + QStringLiteral(".lua")));
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(text);
        if (command == u"menu") {
            QVERIFY(f.trigger("mnuFilePrint"));
        } else {
            for (QAction *action : f.window->toolBar()->actions()) {
                if (action->data().toString() == QLatin1String("Print"))
                    QTest::mouseClick(f.window->toolBar()->widgetForAction(action), Qt::LeftButton);
            }
        }
        QVERIFY2(f.host.messages.isEmpty(), qPrintable(f.host.messages.value(0).text));

        // The job is done when the queue is empty again and its file is there.
        QTRY_VERIFY_WITH_TIMEOUT(!writtenSince(before).isEmpty() && queueEmpty(), 60000);
        const QStringList written = writtenSince(before);
        QCOMPARE(written.size(), 1);
        const QString pdf = QDir(m_jobsDir).filePath(written[0]);
        const QStringList pages = pdfPages(pdf);
        QVERIFY(!pages.isEmpty());
        QCOMPARE(pages.size() > 1, severalPages);
        QCOMPARE(allLines(pages), expectedPaper(text));
        QCOMPARE(pageLines(pages[0]).value(1), QString());
        QFile::remove(pdf);
    }

    // A default printer that refuses jobs: the failure message, no job.
    void rejectedJobIsReported()
    {
        const QString printer = QPrinterInfo::defaultPrinter().printerName();
        QTRY_VERIFY_WITH_TIMEOUT(queueEmpty(), 30000);
        QCOMPARE(QProcess::execute(QStringLiteral("cupsreject"), {printer}), 0);
        const auto accept =
            qScopeGuard([printer] { QProcess::execute(QStringLiteral("cupsaccept"), {printer}); });
        const QHash<QString, QDateTime> before = pdfFiles();
        QTemporaryDir programDir;
        OutputFixture f(programDir.path());
        f.setText(QStringLiteral("--Refused.lua"));
        f.host.messageAnswers << HostServices::Answer::Ok;
        QVERIFY(f.trigger("mnuFilePrint"));
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text,
                 QStringLiteral("Could not print, make sure that a printer is installed and "
                                "that it is turned on."));
        QTest::qWait(1000);
        QVERIFY(queueEmpty());
        QCOMPARE(writtenSince(before), QStringList());
    }
};

SCRIVLET_TEST_MAIN(tst_PrintingCups)
#include "tst_printingcups.moc"
