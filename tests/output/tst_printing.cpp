#include "printcheck.h"
#include "testenv.h"

#include "document/textbuffer.h"
#include "addresses.h"
#include "output/printing.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QStandardPaths>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>

#include <sys/stat.h>

using Buttons = HostServices::Buttons;
using Icon = HostServices::Icon;

namespace {

const QString NoPrinterMessage = QStringLiteral(
    "Could not print, make sure that a printer is installed and that it is turned on.");

void toPdf(QPrinter &printer, const QString &path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
}

// The fonts a PDF uses, without the subset prefixes.
QStringList pdfFonts(const QString &pdf)
{
    const QStringList rows = QString::fromUtf8(runTool(QStringLiteral("pdffonts"), {pdf}))
                                 .split(u'\n', Qt::SkipEmptyParts)
                                 .mid(2);
    QStringList fonts;
    for (const QString &row : rows) {
        QString name = row.section(u' ', 0, 0);
        if (name.size() > 7 && name[6] == u'+')
            name = name.mid(7);
        fonts << name;
    }
    fonts.sort();
    return fonts;
}

void clickPrintButton(frmMain *window)
{
    for (QAction *action : window->toolBar()->actions()) {
        if (action->data().toString() == QLatin1String("Print")) {
            QTest::mouseClick(window->toolBar()->widgetForAction(action), Qt::LeftButton);
            return;
        }
    }
    QFAIL("no Print button on the toolbar");
}

} // namespace

class tst_Printing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty())
            QSKIP("pdftotext and pdffonts (Debian package poppler-utils) read printed pages back");
    }

    void creditLineNamesProgramMakerAndSite()
    {
        QVERIFY(Output::CreditLine.contains(QLatin1String("Scrivlet IDE")));
        QVERIFY(Output::CreditLine.contains(QLatin1String("Hollin Development")));
        QVERIFY(Output::CreditLine.contains(QLatin1String(MakerSiteAddress)));
        QVERIFY(!Output::CreditLine.contains(u'\n'));
    }

    // The test is registered with a CUPS server address where nothing
    // listens: as on a machine without printers, there is no default one.
    void noDefaultPrinter_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("File, Print") << "menu";
        QTest::newRow("toolbar Print button") << "toolbar";
        QTest::newRow("Ctrl+P") << "shortcut";
    }

    void noDefaultPrinter()
    {
        QFETCH(QString, command);
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("a default printer is reachable; run through CTest, which points CUPS_SERVER "
                  "at a server that does not exist");
        const QString jobsDir = qEnvironmentVariable("SCRIVLET_CUPS_PDF_DIR");
        const QStringList jobsBefore = QDir(jobsDir).entryList(QDir::Files);

        QTemporaryDir programDir;
        OutputFixture f(programDir.path());
        QVERIFY(QTest::qWaitForWindowActive(f.window));
        f.setText(QStringLiteral("--Lamp.lua\r\nprint(1)"));
        if (command == u"menu")
            QVERIFY(f.trigger("mnuFilePrint"));
        else if (command == u"toolbar")
            clickPrintButton(f.window);
        else
            QTest::keyClick(f.window->editor(), Qt::Key_P, Qt::ControlModifier);

        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text, NoPrinterMessage);
        QCOMPARE(f.host.messages[0].buttons, Buttons::Ok);
        QCOMPARE(f.host.messages[0].icon, Icon::Error);
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Scrivlet IDE"));
        QCOMPARE(f.window->document().text(), QStringLiteral("--Lamp.lua\r\nprint(1)"));
        QVERIFY(Output::printDocument(f.window->host(), f.window->document(), *f.window) == false);
        // Nothing reached the real queue either, when the test script runs one.
        if (!jobsDir.isEmpty()) {
            QCOMPARE(QDir(jobsDir).entryList(QDir::Files), jobsBefore);
            QProcess lpstat;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("CUPS_SERVER"));
            lpstat.setProcessEnvironment(env);
            lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-o")});
            QVERIFY(lpstat.waitForFinished());
            QCOMPARE(lpstat.readAllStandardOutput(), QByteArray());
        }
    }

    void printedPage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("initial project line") << QStringLiteral("--My Project Name.lua\r\n");
        QTest::newRow("a few lines") << QStringLiteral("--Lamp.lua\r\nx = 1\r\n\r\nprint(x)");
        QTest::newRow("empty document") << QString();
        QTest::newRow("tabs and indentation")
            << QStringLiteral("function f()\r\n\treturn 1\r\n    end\tof f");
        QTest::newRow("Windows-1252 letters")
            << QString::fromUtf8("print(\"caf\xc3\xa9 \xe2\x82\xac 5\")");
    }

    void printedPage()
    {
        QFETCH(QString, text);
        QTemporaryDir dir;
        OutputFixture f(dir.path());
        f.setText(text);
        QPrinter printer(QPrinter::HighResolution);
        toPdf(printer, dir.filePath(QStringLiteral("out.pdf")));
        QVERIFY(Output::printDocument(f.window->host(), f.window->document(), *f.window, printer));
        QVERIFY(f.host.messages.isEmpty());
        QCOMPARE(f.window->document().stagingBuffer().text(), f.window->document().text());

        const QStringList pages = pdfPages(dir.filePath(QStringLiteral("out.pdf")));
        QCOMPARE(pages.size(), 1);
        const QStringList lines = pageLines(pages[0]);
        QCOMPARE(lines, expectedPaper(f.window->document().text()));
        QCOMPARE(lines.value(1), QString());
    }

    void longTextRunsOnToNextPages()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("long.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        toPdf(printer, pdf);
        const QString text = manyLines(250);
        QVERIFY(Output::printText(printer, text));

        const QStringList pages = pdfPages(pdf);
        QVERIFY2(pages.size() >= 3, qPrintable(QString::number(pages.size())));
        // Every line once, in order, none lost at a page break.
        QCOMPARE(allLines(pages), expectedPaper(text));
        // Pages are filled before the next begins.
        const qsizetype perPage = pageLines(pages[0]).size();
        QVERIFY(perPage > 30);
        for (qsizetype i = 1; i + 1 < pages.size(); ++i)
            QCOMPARE(pageLines(pages[i]).size(), perPage);
    }

    void longLinesAreCutNotWrapped()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("wide.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        toPdf(printer, pdf);
        const QString wide = QString(600, u'x') + QStringLiteral("TAIL");
        QVERIFY(Output::printText(printer, QStringLiteral("before\r\n") + wide +
                                               QStringLiteral("\r\nafter")));
        const QStringList pages = pdfPages(pdf);
        QCOMPARE(pages.size(), 1);
        const QStringList lines = pageLines(pages[0]);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[2], QStringLiteral("before"));
        QVERIFY(lines[3].startsWith(QString(40, u'x')));
        QVERIFY2(!lines[3].contains(QLatin1String("TAIL")), qPrintable(lines[3]));
        QVERIFY(lines[3].size() < wide.size());
        QCOMPARE(lines[4], QStringLiteral("after"));
    }

    // Bold, italic, a large size and colour in the editor: the paper shows
    // the same as for the bare text.
    void formattingNeverReachesPaper()
    {
        QTemporaryDir dir;
        OutputFixture f(dir.path());
        f.setText(QStringLiteral("--Fancy.lua\r\nprint(\"styled\")"));
        QTextCursor cursor(f.window->editor()->document());
        cursor.select(QTextCursor::Document);
        QTextCharFormat format;
        format.setFontWeight(QFont::Black);
        format.setFontItalic(true);
        format.setFontPointSize(40);
        format.setFontFamilies({QStringLiteral("Courier New")});
        format.setForeground(Qt::red);
        cursor.mergeCharFormat(format);

        const QString styled = dir.filePath(QStringLiteral("styled.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        toPdf(printer, styled);
        QVERIFY(Output::printDocument(f.window->host(), f.window->document(), *f.window, printer));

        const QString bare = dir.filePath(QStringLiteral("bare.pdf"));
        QPrinter barePrinter(QPrinter::HighResolution);
        toPdf(barePrinter, bare);
        QVERIFY(Output::printText(barePrinter, f.window->document().text()));

        QCOMPARE(pdfFonts(styled), pdfFonts(bare));
        QCOMPARE(pdfPages(styled), pdfPages(bare));
        for (const QString &font : pdfFonts(styled)) {
            QVERIFY2(!font.contains(QLatin1String("Bold")) &&
                         !font.contains(QLatin1String("Italic")) &&
                         !font.contains(QLatin1String("Oblique")),
                     qPrintable(font));
        }
    }

    void printerFailureShowsTheMessage()
    {
        QTemporaryDir dir;
        OutputFixture f(dir.path());
        QPrinter printer(QPrinter::HighResolution);
        toPdf(printer, dir.filePath(QStringLiteral("no such folder/out.pdf")));
        QTest::ignoreMessage(QtWarningMsg, "QPainter::begin(): Returned false");
        QVERIFY(!Output::printDocument(f.window->host(), f.window->document(), *f.window, printer));
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text, NoPrinterMessage);
        QCOMPARE(f.host.messages[0].icon, Icon::Error);
        QCOMPARE(f.host.messages[0].buttons, Buttons::Ok);
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Scrivlet IDE"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("no such folder/out.pdf"))));
    }

    // A printer that takes its time (here a PDF written into a pipe that is
    // read only after a while) leaves the editor drawn and a window up that
    // says what it waits for.
    void slowPrinterLeavesTheEditorAlive()
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("printer.pdf"));
        QVERIFY(::mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QProcess reader;
        reader.start(
            QStringLiteral("sh"),
            {QStringLiteral("-c"), QStringLiteral("sleep 1.5; cat \"$0\" > \"$0.read\""), pipe});
        QVERIFY(reader.waitForStarted());
        OutputFixture f(dir.path());
        f.setText(QStringLiteral("--Slow.lua"));
        QPrinter printer(QPrinter::HighResolution);
        toPdf(printer, pipe);
        int ticks = 0;
        QStringList shown;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] {
            ++ticks;
            if (auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
                progress && shown.isEmpty())
                shown << progress->labelText();
        });
        ticker.start(50);
        QVERIFY(Output::printDocument(f.window->host(), f.window->document(), *f.window, printer));
        ticker.stop();
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QCOMPARE(shown, QStringList{QStringLiteral("Printing...")});
        QVERIFY(f.host.messages.isEmpty());
        // The reader may have ended already while the job was being waited for.
        QTRY_VERIFY_WITH_TIMEOUT(reader.state() == QProcess::NotRunning, 10000);
        QVERIFY(readBytes(pipe + QStringLiteral(".read")).startsWith("%PDF"));
    }
};

SCRIVLET_TEST_MAIN(tst_Printing)
#include "tst_printing.moc"
