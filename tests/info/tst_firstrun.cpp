// The first start: the wizard, its two buttons, and the real scrivlet binary
// started in an empty program directory.

#include "localnetworkonly.h"
#include "processmaps.h"
#include "scriptedhost.h"
#include "testenv.h"

#include "app/frmmain.h"
#include "document/projectdocument.h"
#include "app/program.h"
#include "addresses.h"
#include "info/frmbrowser.h"
#include "info/frmdonations.h"
#include "info/frmfirstrun.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Children of `pid` that belong to the web engine.
int webEngineChildren(qint64 pid)
{
    int count = 0;
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (line.contains("QtWebEngine") && rest.value(1).toLongLong() == pid)
            ++count;
    }
    return count;
}

// Records when top-level windows are shown and hidden, in order.
class WindowLog : public QObject
{
public:
    QStringList entries;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->isWindow() &&
            (event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
            entries.append((event->type() == QEvent::Show ? QStringLiteral("show ")
                                                          : QStringLiteral("hide ")) +
                           widget->objectName());
        }
        return false;
    }
};

const QString Wizard = QStringLiteral("frmFirstRun=PLua installation instructions");
const QString Editor = QStringLiteral("frmMain=Scrivlet IDE 1.3b");
const QString Donations = QStringLiteral("frmDonations=Donations");

// The real scrivlet, copied into a program directory of its own and driven
// through the window probe plugin: it reports the visible windows ("*" marks
// the active one) and takes commands on stdin.
class ScrivletRun
{
public:
    explicit ScrivletRun(const QString &programDirectory)
    {
        // The program and its browser's page-view plugin, as installed side by side.
        const QString binary = QDir(programDirectory).filePath(QStringLiteral("scrivlet"));
        for (const char *name : {"scrivlet", "scrivlet-webview.so"}) {
            const QString target = QDir(programDirectory).filePath(QLatin1String(name));
            if (!QFile::exists(target))
                QFile::copy(QStringLiteral(SCRIVLET_BIN_DIR "/") + QLatin1String(name), target);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(PROBE_PLUGIN_DIR));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("scrivletwindowprobe"));
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process, [this] {
            m_buffer += m_process.readAllStandardOutput();
            qsizetype end;
            while ((end = m_buffer.indexOf('\n')) >= 0) {
                const QString line = QString::fromUtf8(m_buffer.left(end));
                m_buffer.remove(0, end + 1);
                if (line.startsWith(u"windows "))
                    m_windows = line.mid(8);
            }
        });
        m_process.start(binary, {});
    }

    ~ScrivletRun()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    bool started() { return m_process.waitForStarted(); }
    qint64 pid() const { return m_process.processId(); }
    QString windows() const { return m_windows; }
    bool waitForWindows(const QString &expected)
    {
        return QTest::qWaitFor([&] { return m_windows == expected; }, 30000);
    }
    void send(const QByteArray &command) { m_process.write(command + '\n'); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_buffer;
    QString m_windows;
};

} // namespace

class tst_FirstRun : public QObject
{
    Q_OBJECT

private slots:
    void enterAsSoonAsWizardShowsPressesOk();
    void downloadThenOk();
    void firstStartOfTheRealProgram();
    void markerDecidesTheStartWindow_data();
    void markerDecidesTheStartWindow();
    void closingTheWizardEndsTheProgram();
    void webEngineWaitsForTheFirstLink();
};

void tst_FirstRun::enterAsSoonAsWizardShowsPressesOk()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("settings.ini");
    ScriptedHostServices host(dir.path());
    Program program(host, QString());
    program.start();

    QPointer<frmFirstRun> wizard = program.findWindow<frmFirstRun>();
    QVERIFY(wizard);
    QVERIFY(QTest::qWaitForWindowActive(wizard));
    QVERIFY(!program.mainWindow());
    // Written by the very first start, before the user does anything.
    QCOMPARE(fileBytes(marker), QByteArray("1\r\n"));
    QVERIFY(QFile::remove(marker));

    WindowLog log;
    qApp->installEventFilter(&log);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    qApp->removeEventFilter(&log);

    QCOMPARE(fileBytes(marker), QByteArray("1\r\n"));
    // Main window, then the donations window on top, and only then the
    // wizard goes: the program is never without a window.
    QCOMPARE(log.entries, (QStringList{"show frmMain", "show frmDonations", "hide frmFirstRun"}));
    QTRY_VERIFY(wizard.isNull());
    QVERIFY(program.mainWindow() && program.mainWindow()->isVisible());
    auto *donations = program.findWindow<frmDonations>();
    QVERIFY(donations && donations->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), donations);
    QCOMPARE(program.loadedWindows(), (QList<QWidget *>{program.mainWindow(), donations}));
    QVERIFY(host.unexpected.isEmpty());
}

void tst_FirstRun::downloadThenOk()
{
    QTemporaryDir dir;
    ScriptedHostServices host(dir.path());
    Program program(host, QString());
    program.start();
    QPointer<frmFirstRun> wizard = program.findWindow<frmFirstRun>();
    QVERIFY(QTest::qWaitForWindowActive(wizard));

    wizard->findChild<QPushButton *>("Command3")->click();
    QCOMPARE(program.browserAddress(), QLatin1String(PluaStoreAddress));
    frmBrowser *browser = program.findWindow<frmBrowser>();
    QVERIFY(browser);
    QTRY_COMPARE(QApplication::activeWindow(), browser);
    QVERIFY(wizard->isVisible());

    wizard->findChild<QPushButton *>("Command1")->click();
    QTRY_VERIFY(wizard.isNull());
    QVERIFY(browser->isVisible());
    QVERIFY(program.mainWindow() && program.mainWindow()->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), program.findWindow<frmDonations>());
    QCOMPARE(fileBytes(dir.filePath("settings.ini")), QByteArray("1\r\n"));
}

void tst_FirstRun::firstStartOfTheRealProgram()
{
    QTemporaryDir dir;
    const QString marker = dir.filePath("settings.ini");
    {
        ScrivletRun run(dir.path());
        QVERIFY(run.started());
        QVERIFY2(run.waitForWindows(Wizard + u'*'), qPrintable(run.windows()));
        QCOMPARE(fileBytes(marker), QByteArray("1\r\n"));

        // The OK button writes the marker itself.
        QVERIFY(QFile::remove(marker));
        run.send("enter");
        QVERIFY2(run.waitForWindows(Donations + QStringLiteral("*|") + Editor),
                 qPrintable(run.windows()));
        QCOMPARE(fileBytes(marker), QByteArray("1\r\n"));
    }
    // The next start goes straight to the editor.
    ScrivletRun again(dir.path());
    QVERIFY(again.started());
    QVERIFY2(again.waitForWindows(Editor + u'*'), qPrintable(again.windows()));
    QCOMPARE(fileBytes(marker), QByteArray("1\r\n"));
}

void tst_FirstRun::markerDecidesTheStartWindow_data()
{
    QTest::addColumn<QByteArray>("marker");
    QTest::addColumn<bool>("editor");

    QTest::newRow("1 CR LF") << QByteArray("1\r\n") << true;
    QTest::newRow("1 without line end") << QByteArray("1") << true;
    QTest::newRow("1 then more lines") << QByteArray("1\r\nsomething\r\n") << true;
    QTest::newRow("1 with a trailing blank") << QByteArray("1 \r\n") << false;
    QTest::newRow("0") << QByteArray("0\r\n") << false;
    QTest::newRow("empty file") << QByteArray() << false;
}

void tst_FirstRun::markerDecidesTheStartWindow()
{
    QFETCH(QByteArray, marker);
    QFETCH(bool, editor);

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("settings.ini"), marker));
    ScrivletRun run(dir.path());
    QVERIFY(run.started());
    QVERIFY2(run.waitForWindows((editor ? Editor : Wizard) + u'*'), qPrintable(run.windows()));
    // The check itself never rewrites a marker that is there.
    QCOMPARE(fileBytes(dir.filePath("settings.ini")), marker);
}

void tst_FirstRun::closingTheWizardEndsTheProgram()
{
    QTemporaryDir dir;
    ScrivletRun run(dir.path());
    QVERIFY(run.started());
    QVERIFY2(run.waitForWindows(Wizard + u'*'), qPrintable(run.windows()));
    run.send("close frmFirstRun");
    QVERIFY(run.process().waitForFinished(20000));
    QCOMPARE(run.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(run.process().exitCode(), 0);
    // The marker of the first start stays, so the next start opens the editor.
    QCOMPARE(fileBytes(dir.filePath("settings.ini")), QByteArray("1\r\n"));
}

void tst_FirstRun::webEngineWaitsForTheFirstLink()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("settings.ini"), "1\r\n"));
    ScrivletRun run(dir.path());
    QVERIFY(run.started());
    QVERIFY2(run.waitForWindows(Editor + u'*'), qPrintable(run.windows()));
    QCOMPARE(webEngineChildren(run.pid()), 0);
    // Nor are its libraries loaded, seen from outside as the system sees them.
    QCOMPARE(webEngineLibraries(run.pid()), QStringList());

    run.send("trigger frmMain lualink");
    QTRY_VERIFY_WITH_TIMEOUT(run.windows().contains(u"frmBrowser="), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(webEngineChildren(run.pid()) > 0, 20000);
    QVERIFY(!webEngineLibraries(run.pid()).isEmpty());
}

SCRIVLET_TEST_MAIN(tst_FirstRun)
#include "tst_firstrun.moc"
