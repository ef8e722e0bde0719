#include "outputfixture.h"
#include "testenv.h"

#include "document/textbuffer.h"
#include "textfile.h"
#include "output/palmdocconverter.h"
#include "output/palmdocexport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>

#include <memory>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

using Buttons = HostServices::Buttons;
using Icon = HostServices::Icon;
using Answer = HostServices::Answer;
using Fixture = std::unique_ptr<OutputFixture>;

namespace {

const QString Prompt =
    QStringLiteral("Please enter the name of how this Palm DOC should be named on your palm pda");
const QString ConverterName = QStringLiteral("txt2doc");
// Stands for "no question expected" in the data tables.
const QString NotAsked = QStringLiteral("<not asked>");

QString realConverter()
{
    return QStringLiteral(TXT2DOC_PATH);
}

// A program directory holding a copy of the real converter.
bool installConverter(const QString &programDir)
{
    const QString target = QDir(programDir).filePath(ConverterName);
    return QFile::copy(realConverter(), target) &&
           QFile::setPermissions(target, QFile::permissions(realConverter()));
}

// A stand-in converter: a shell script with the given body.
bool installScript(const QString &programDir, const QByteArray &body)
{
    const QString target = QDir(programDir).filePath(ConverterName);
    return writeBytes(target, "#!/bin/sh\n" + body + "\n") &&
           QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The database name in a Palm DOC's header.
QString databaseName(const QString &prc)
{
    const QByteArray header = readBytes(prc).left(32);
    return TextFile::fromWindows1252(header.left(header.indexOf('\0')));
}

QByteArray handheldText(QByteArray fileBytes)
{
    return fileBytes.replace("\r\n", "\n");
}

QByteArray decodedByTxt2doc(const QString &prc)
{
    return runTool(realConverter(), {QStringLiteral("--decode"), prc});
}

QByteArray decodedByTxt2pdbdoc(const QString &prc, const QString &scratch)
{
    const QString out = QDir(scratch).filePath(QStringLiteral("txt2pdbdoc-decoded.txt"));
    QFile::remove(out);
    if (runTool(QStringLiteral("txt2pdbdoc"), {QStringLiteral("-d"), prc, out}).isNull())
        return "<txt2pdbdoc failed>";
    return readBytes(out);
}

QString cacheFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

// The export's temporary files left in `folder`.
QStringList temporaryFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("del*.tmp")}, QDir::Files | QDir::System);
}

#ifdef Q_OS_LINUX
// The superuser writes into any folder whatever its permission bits say.
// While this lives, the calling thread gives up that override (and only
// that), so a read-only folder is read-only for this test too. Programs
// started meanwhile get their full rights back when they begin.
class PermissionOverrideDropped
{
public:
    PermissionOverrideDropped()
    {
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_active = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~PermissionOverrideDropped()
    {
        if (m_active)
            syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionOverrideDropped(const PermissionOverrideDropped &) = delete;
    PermissionOverrideDropped &operator=(const PermissionOverrideDropped &) = delete;

    bool active() const { return m_active || geteuid() != 0; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_active = false;
};
#endif

} // namespace

class tst_PalmDocExport : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_programDir;
    std::unique_ptr<QTemporaryDir> m_outDir;

    QString programDir() const { return m_programDir->path(); }
    QString out(const QString &name) const { return m_outDir->filePath(name); }

    static PalmDocConverter &converter(OutputFixture &f) { return f.program.converter(); }

    // Runs File, Export To .prc with the dialog answered by `output`.
    static void exportTo(OutputFixture &f, const QString &output)
    {
        f.host.fileAnswers.enqueue(output);
        QVERIFY(f.trigger("mnuPRCexport"));
    }

    static void checkDialog(const OutputFixture &f)
    {
        QCOMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(f.host.fileDialogs[0].mode, HostServices::FileMode::Save);
        QCOMPARE(f.host.fileDialogs[0].title, QStringLiteral("Save"));
        QCOMPARE(f.host.fileDialogs[0].filter, QStringLiteral("Palm DOC Files (*.prc)"));
        // "myproject.prc", in a folder of its own rather than the working folder.
        const QFileInfo proposed(f.host.fileDialogs[0].initialName);
        QCOMPARE(proposed.fileName(), QStringLiteral("myproject.prc"));
        QVERIFY(proposed.isAbsolute());
    }

    // The database holds the text and name that it should, read back by our
    // own converter and by Debian's txt2pdbdoc.
    void checkDatabase(const QString &prc, const QString &name, const QByteArray &fileBytes)
    {
        QCOMPARE(databaseName(prc), name);
        QCOMPARE(decodedByTxt2doc(prc), handheldText(fileBytes));
        QCOMPARE(decodedByTxt2pdbdoc(prc, m_outDir->path()), handheldText(fileBytes));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(realConverter()).isExecutable(),
                 "build the txt2doc target first: " TXT2DOC_PATH);
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("txt2pdbdoc")).isEmpty(),
                 "Debian's txt2pdbdoc (package txt2pdbdoc) reads the databases back as a peer");
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void init()
    {
        m_programDir = std::make_unique<QTemporaryDir>();
        m_outDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_programDir->isValid() && m_outDir->isValid());
        for (const QString &name : temporaryFiles(cacheFolder()))
            QFile::remove(QDir(cacheFolder()).filePath(name));
    }

    void cleanup()
    {
        QFile::setPermissions(programDir(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_programDir.reset();
        m_outDir.reset();
    }

    void exportsWithTheRightName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("answer"); // NotAsked: no question may be asked
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("fileBytes");

        QTest::newRow("title comment") << QStringLiteral("--My Project Name.lua\r\nprint(\"hi\")")
                                       << NotAsked << QStringLiteral("--My Project Name.lua")
                                       << QByteArray("--My Project Name.lua\r\nprint(\"hi\")\r\n");
        QTest::newRow("blank after the hyphens")
            << QStringLiteral("-- My Application.lua\r\nx = 1") << NotAsked
            << QStringLiteral("-- My Application.lua")
            << QByteArray("-- My Application.lua\r\nx = 1\r\n");
        QTest::newRow("title alone, no line break")
            << QStringLiteral("--Solo.lua") << NotAsked << QStringLiteral("--Solo.lua")
            << QByteArray("--Solo.lua\r\n");
        QTest::newRow("shortest title")
            << QStringLiteral("--.lua\r\nx") << NotAsked << QStringLiteral("--.lua")
            << QByteArray("--.lua\r\nx\r\n");
        QTest::newRow("Windows-1252 letters")
            << QString::fromUtf8("--Caf\xc3\xa9.lua\r\nprint(\"\xe2\x82\xac 5\")") << NotAsked
            << QString::fromUtf8("--Caf\xc3\xa9.lua")
            << QByteArray("--Caf\xe9.lua\r\nprint(\"\x80 5\")\r\n");
        QTest::newRow("upper-case .LUA asks")
            << QStringLiteral("--Prog.LUA\r\nx = 1") << QStringLiteral("Prog")
            << QStringLiteral("--Prog.lua") << QByteArray("--Prog.LUA\r\nx = 1\r\n");
        QTest::newRow("blank after .lua asks")
            << QStringLiteral("--Prog.lua \r\nx = 1") << QStringLiteral("Prog")
            << QStringLiteral("--Prog.lua") << QByteArray("--Prog.lua \r\nx = 1\r\n");
        QTest::newRow("blank before the hyphens asks")
            << QStringLiteral(" --Prog.lua\r\nx = 1") << QStringLiteral("Lead")
            << QStringLiteral("--Lead.lua") << QByteArray(" --Prog.lua\r\nx = 1\r\n");
        QTest::newRow("hyphens alone ask")
            << QStringLiteral("--\r\nx = 1") << QStringLiteral("Dash")
            << QStringLiteral("--Dash.lua") << QByteArray("--\r\nx = 1\r\n");
        QTest::newRow("title on the second line asks")
            << QStringLiteral("x = 1\r\n--Name.lua") << QStringLiteral("Second")
            << QStringLiteral("--Second.lua") << QByteArray("x = 1\r\n--Name.lua\r\n");
        QTest::newRow("empty document asks") << QString() << QStringLiteral("Empty")
                                             << QStringLiteral("--Empty.lua") << QByteArray("\r\n");
        QTest::newRow("cancelled prompt gives --.lua")
            << QStringLiteral("print(1)") << QString() << QStringLiteral("--.lua")
            << QByteArray("print(1)\r\n");
        QTest::newRow("quotes and blanks in the answer")
            << QStringLiteral("x = 1") << QStringLiteral("My \"Big\" Game")
            << QStringLiteral("--My \"Big\" Game.lua") << QByteArray("x = 1\r\n");
    }

    void exportsWithTheRightName()
    {
        QFETCH(QString, text);
        QFETCH(QString, answer);
        QFETCH(QString, name);
        QFETCH(QByteArray, fileBytes);
        QVERIFY(installConverter(programDir()));

        OutputFixture f(programDir());
        f.window->document().setFileName(QStringLiteral("/projects/lamp.lua"));
        f.setText(text);
        if (answer != NotAsked)
            f.host.inputAnswers.enqueue(answer);
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        const QString prc = out(QStringLiteral("out.prc"));
        exportTo(f, prc);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        QCOMPARE(ended[0][0].toString(), prc);
        QVERIFY2(ended[0][1].toBool(), qPrintable(f.host.messages.value(0).text));

        checkDialog(f);
        QCOMPARE(f.host.fileDialogs[0].initialName, QStringLiteral("/projects/myproject.prc"));
        if (answer == NotAsked) {
            QVERIFY(f.host.inputs.isEmpty());
        } else {
            QCOMPARE(f.host.inputs.size(), 1);
            QCOMPARE(f.host.inputs[0].prompt, Prompt);
            QCOMPARE(f.host.inputs[0].caption, QStringLiteral("Scrivlet IDE"));
        }
        QVERIFY(f.host.messages.isEmpty());
        QVERIFY2(f.host.unexpected.isEmpty(), qPrintable(f.host.unexpected.join(u'\n')));
        QCOMPARE(temporaryFiles(programDir()), QStringList());
        checkDatabase(prc, name, fileBytes);
        // A copy: the project keeps its own file; the staging box has the text.
        QCOMPARE(f.window->document().fileName(), QStringLiteral("/projects/lamp.lua"));
        QCOMPARE(f.window->document().stagingBuffer().text(), f.window->document().text());
        QCOMPARE(f.host.lastFileName(), prc);
    }

    // No shell stands between the editor and the converter: quotes, blanks
    // and shell characters in every path and in the name arrive intact.
    void pathsAndNamesWithQuotesAndBlanks()
    {
        const QString oddProgramDir =
            QDir(programDir()).filePath(QStringLiteral("Program \"Files\" $HOME 'x'"));
        const QString oddOutDir = out(QStringLiteral("my \"docs\" & `more`"));
        QVERIFY(QDir().mkpath(oddProgramDir) && QDir().mkpath(oddOutDir));
        QVERIFY(installConverter(oddProgramDir));

        OutputFixture f(oddProgramDir);
        f.setText(QStringLiteral("print(\"quoted\")"));
        f.host.inputAnswers.enqueue(QStringLiteral("\"A\" B; $C"));
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        const QString prc = QDir(oddOutDir).filePath(QStringLiteral("out \"1\" 'a b'.prc"));
        exportTo(f, prc);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        QVERIFY2(ended[0][1].toBool(), qPrintable(f.host.messages.value(0).text));
        QCOMPARE(temporaryFiles(oddProgramDir), QStringList());
        checkDatabase(prc, QStringLiteral("--\"A\" B; $C.lua"), "print(\"quoted\")\r\n");
        QCOMPARE(QDir(oddOutDir).entryList(QDir::Files),
                 QStringList{QStringLiteral("out \"1\" 'a b'.prc")});
    }

    // Cancel in the dialog: nothing is written, asked or started. Every
    // export offers "myproject.prc" again, whatever was chosen before.
    void cancelWritesAndStartsNothing()
    {
        QVERIFY(installConverter(programDir()));
        OutputFixture f(programDir());
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        f.setText(QStringLiteral("--First.lua"));
        exportTo(f, out(QStringLiteral("first.prc")));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);

        f.setText(QStringLiteral("print(2)"));
        exportTo(f, QString());
        QCOMPARE(f.host.fileDialogs.size(), 2);
        QCOMPARE(f.host.fileDialogs[1].initialName, out(QStringLiteral("myproject.prc")));
        QCOMPARE(temporaryFiles(programDir()), QStringList());
        QVERIFY(f.host.inputs.isEmpty());
        QCOMPARE(converter(f).runningCount(), 0);
        QVERIFY(converter(f).findChildren<QProcess *>().isEmpty());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(QDir(m_outDir->path()).entryList(QDir::Files), QStringList{"first.prc"});
        QVERIFY(f.host.messages.isEmpty());
    }

    void converterMissing_data()
    {
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::newRow("no converter") << false;
        QTest::newRow("a folder in its place") << true;
    }

    void converterMissing()
    {
        QFETCH(bool, folderInItsPlace);
        const QString path = QDir(programDir()).filePath(ConverterName);
        if (folderInItsPlace)
            QVERIFY(QDir().mkdir(path));
        OutputFixture f(programDir());
        f.setText(QStringLiteral("--Lost.lua"));
        exportTo(f, out(QStringLiteral("lost.prc")));

        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text,
                 QStringLiteral("The Palm DOC converter \"%1\" was not found, so no Palm DOC was "
                                "made.")
                     .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(f.host.messages[0].icon, Icon::Error);
        QCOMPARE(f.host.messages[0].buttons, Buttons::Ok);
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Scrivlet IDE"));
        QVERIFY(!QFile::exists(out(QStringLiteral("lost.prc"))));
        QCOMPARE(converter(f).runningCount(), 0);
    }

    void converterCannotStart()
    {
        QVERIFY(installConverter(programDir()));
        const QString path = QDir(programDir()).filePath(ConverterName);
        // Not executable by anyone, not even the superuser.
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        OutputFixture f(programDir());
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        f.setText(QStringLiteral("--Stuck.lua"));
        exportTo(f, out(QStringLiteral("stuck.prc")));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        QCOMPARE(ended[0][1].toBool(), false);
        QCOMPARE(f.host.messages.size(), 1);
        const QString prefix =
            QStringLiteral("The Palm DOC converter \"%1\" could not be started: ").arg(path);
        QVERIFY2(f.host.messages[0].text.startsWith(prefix), qPrintable(f.host.messages[0].text));
        QVERIFY(f.host.messages[0].text.size() > prefix.size());
        QCOMPARE(f.host.messages[0].icon, Icon::Error);
        QVERIFY(!QFile::exists(out(QStringLiteral("stuck.prc"))));
    }

    void converterFailureIsReported_data()
    {
        QTest::addColumn<QByteArray>("script"); // empty: the real converter
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("answer");  // the DOC name asked for
        QTest::addColumn<QString>("message"); // %1: the converter; empty: its own words

        QTest::newRow("real converter, output folder missing")
            << QByteArray() << QStringLiteral("no such folder/out.prc") << QStringLiteral("Failing")
            << QString();
        // One character outside Windows-1252: the handheld cannot store it.
        QTest::newRow("real converter, name it cannot store")
            << QByteArray() << QStringLiteral("name.prc") << QString::fromUtf8("\xe4\xb8\xad")
            << QString();
        QTest::newRow("exit status without a word")
            << QByteArray("exit 3") << QStringLiteral("out.prc") << QStringLiteral("Failing")
            << QStringLiteral("The Palm DOC converter \"%1\" failed with exit code 3.");
        QTest::newRow("crash") << QByteArray("echo 'converter: out of luck' >&2\nkill -SEGV $$")
                               << QStringLiteral("out.prc") << QStringLiteral("Failing")
                               << QStringLiteral(
                                      "The Palm DOC converter \"%1\" stopped unexpectedly.\n\n"
                                      "converter: out of luck");
    }

    void converterFailureIsReported()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, output);
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QVERIFY(script.isEmpty() ? installConverter(programDir())
                                 : installScript(programDir(), script));
        const QString path = QDir(programDir()).filePath(ConverterName);

        OutputFixture f(programDir());
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        f.setText(QStringLiteral("print(1)"));
        f.host.inputAnswers.enqueue(answer);
        const QString prc = out(output);
        exportTo(f, prc);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        QCOMPARE(ended[0][1].toBool(), false);

        if (message.isEmpty()) {
            // The converter's own words, exactly as it says them when run by hand.
            QByteArray said;
            const QString input = out(QStringLiteral("by-hand.txt"));
            QVERIFY(writeBytes(input, "print(1)\r\n"));
            QVERIFY(runTool(realConverter(), {input, prc, QStringLiteral("--") + answer + ".lua"},
                            &said)
                        .isNull());
            QVERIFY(said.startsWith("txt2doc: "));
            message = QString::fromLocal8Bit(said).trimmed();
        } else {
            message = message.arg(path);
        }
        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text, message);
        QCOMPARE(f.host.messages[0].icon, Icon::Error);
        QCOMPARE(f.host.messages[0].buttons, Buttons::Ok);
        QVERIFY(!QFile::exists(prc));
        QCOMPARE(temporaryFiles(programDir()), QStringList());
    }

    // When the temporary file cannot be written, the export ends with
    // SaveText's message: no question, no converter, nothing left behind.
    void temporaryFileNotWritten()
    {
        QVERIFY(installConverter(programDir()));
        OutputFixture f(programDir());
        f.setText(QString::fromUtf8("print(\"\xe4\xb8\xad\")"));
        exportTo(f, out(QStringLiteral("out.prc")));

        QCOMPARE(f.host.messages.size(), 1);
        QCOMPARE(f.host.messages[0].text,
                 QString::fromUtf8("The character \"\xe4\xb8\xad\" (U+4E2D) on line 1 cannot be "
                                   "stored in a Plua file, which uses the Windows-1252 character "
                                   "set. Nothing was saved."));
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Error"));
        QVERIFY(f.host.inputs.isEmpty());
        QVERIFY(converter(f).findChildren<QProcess *>().isEmpty());
        QCOMPARE(temporaryFiles(programDir()), QStringList());
        QVERIFY(!QFile::exists(out(QStringLiteral("out.prc"))));
    }

    // An installation the user cannot write to: the temporary file goes to the
    // user's cache folder and the export still works.
    void readOnlyProgramDirectory()
    {
        QVERIFY(installConverter(programDir()));
        QVERIFY(QFile::setPermissions(programDir(), QFile::ReadOwner | QFile::ExeOwner |
                                                        QFile::ReadGroup | QFile::ExeGroup |
                                                        QFile::ReadOther | QFile::ExeOther));
        OutputFixture f(programDir());
        f.setText(QStringLiteral("--ReadOnly.lua\r\nx = 1"));
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        {
#ifdef Q_OS_LINUX
            PermissionOverrideDropped dropped;
            if (!dropped.active())
                QSKIP("cannot give up the superuser's write override here");
#else
            if (QFile probe(QDir(programDir()).filePath("probe")); probe.open(QIODevice::WriteOnly))
                QSKIP("the program directory stays writable despite its permissions");
#endif
            // The premise: nothing can be created in the program directory now.
            QFile probe(QDir(programDir()).filePath(QStringLiteral("probe")));
            QVERIFY(!probe.open(QIODevice::WriteOnly));
            exportTo(f, out(QStringLiteral("ro.prc")));
            QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        }
        QVERIFY2(ended[0][1].toBool(), qPrintable(f.host.messages.value(0).text));
        QVERIFY(f.host.messages.isEmpty());
        QCOMPARE(temporaryFiles(programDir()), QStringList());
        QCOMPARE(temporaryFiles(cacheFolder()), QStringList());
        checkDatabase(out(QStringLiteral("ro.prc")), QStringLiteral("--ReadOnly.lua"),
                      "--ReadOnly.lua\r\nx = 1\r\n");
    }

    void missingProgramDirectory()
    {
        const QString gone = QDir(programDir()).filePath(QStringLiteral("gone"));
        OutputFixture f(gone);
        f.setText(QStringLiteral("--Gone.lua"));
        exportTo(f, out(QStringLiteral("gone.prc")));
        QCOMPARE(temporaryFiles(cacheFolder()), QStringList());
        QVERIFY(!QFileInfo::exists(gone));
        QCOMPARE(f.host.messages.size(), 1);
        QVERIFY2(f.host.messages[0].text.contains(QDir(gone).filePath(ConverterName)),
                 qPrintable(f.host.messages[0].text));
    }

    // The converter notes on standard error that it shortened the name;
    // that is no failure, and success shows nothing.
    void longTitleIsShortenedQuietly()
    {
        QVERIFY(installConverter(programDir()));
        OutputFixture f(programDir());
        const QString title = QStringLiteral("--A very long project name for the handheld.lua");
        f.setText(title);
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        exportTo(f, out(QStringLiteral("long.prc")));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        QVERIFY(ended[0][1].toBool());
        QVERIFY(f.host.messages.isEmpty());
        QVERIFY(f.host.inputs.isEmpty());
        const QString stored = databaseName(out(QStringLiteral("long.prc")));
        QCOMPARE(stored.size(), 31);
        QVERIFY2(stored.startsWith(QLatin1String("--A very long")) && stored.endsWith(".lua"),
                 qPrintable(stored));
    }

    // Two exports at work at the same time each convert their own text.
    void exportsCloseTogetherKeepTheirText()
    {
        QVERIFY(QFile::copy(realConverter(), QDir(programDir()).filePath("real-txt2doc")));
        QVERIFY(QFile::setPermissions(QDir(programDir()).filePath("real-txt2doc"),
                                      QFile::permissions(realConverter())));
        QVERIFY(
            installScript(programDir(), "sleep 1\nexec \"$(dirname \"$0\")/real-txt2doc\" \"$@\""));
        OutputFixture f(programDir());
        QSignalSpy ended(&converter(f), &PalmDocConverter::conversionEnded);
        f.setText(QStringLiteral("--First.lua\r\nprint(1)"));
        exportTo(f, out(QStringLiteral("first.prc")));
        f.setText(QStringLiteral("--Second.lua\r\nprint(2)"));
        exportTo(f, out(QStringLiteral("second.prc")));
        QCOMPARE(converter(f).runningCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 2, 30000);
        QVERIFY(f.host.messages.isEmpty());
        checkDatabase(out(QStringLiteral("first.prc")), QStringLiteral("--First.lua"),
                      "--First.lua\r\nprint(1)\r\n");
        checkDatabase(out(QStringLiteral("second.prc")), QStringLiteral("--Second.lua"),
                      "--Second.lua\r\nprint(2)\r\n");
        QCOMPARE(temporaryFiles(programDir()), QStringList());
    }

    // Closing the editor waits, in a window that says so, for an export still
    // at work; its end is reported before the editor goes, and the window's
    // button stops it.
    void closingWaitsForExports_data()
    {
        QTest::addColumn<QByteArray>("script"); // runs before the real converter
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("message"); // empty: none, and the database is made
        QTest::newRow("finishes") << QByteArray("sleep 1") << false << QString();
        QTest::newRow("fails") << QByteArray(
                                      "sleep 1\necho 'txt2doc: the disk is full' >&2\nexit 1")
                               << false << QStringLiteral("txt2doc: the disk is full");
        QTest::newRow("stopped") << QByteArray("exec sleep 60") << true
                                 << QStringLiteral("was stopped before it had finished");
    }

    void closingWaitsForExports()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, stop);
        QFETCH(QString, message);
        QVERIFY(QFile::copy(realConverter(), QDir(programDir()).filePath("real-txt2doc")));
        QVERIFY(QFile::setPermissions(QDir(programDir()).filePath("real-txt2doc"),
                                      QFile::permissions(realConverter())));
        QVERIFY(installScript(programDir(),
                              script + "\nexec \"$(dirname \"$0\")/real-txt2doc\" \"$@\""));

        OutputFixture f(programDir());
        f.setText(QStringLiteral("--Slow.lua\r\nprint(\"still here\")"));
        const QString prc = out(QStringLiteral("slow.prc"));
        exportTo(f, prc);
        QCOMPARE(converter(f).runningCount(), 1);

        QStringList waiting;
        QTimer::singleShot(300, this, [&] {
            auto *progress = qobject_cast<QProgressDialog *>(QApplication::activeModalWidget());
            if (!progress)
                return;
            waiting << progress->labelText();
            if (stop) {
                if (auto *button = progress->findChild<QPushButton *>())
                    button->click();
            }
        });
        f.host.messageAnswers << Answer::No << Answer::Ok;
        QPointer<frmMain> window = f.window;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(f.window->close());
        QVERIFY(timer.elapsed() < 30000);
        QCOMPARE(waiting, QStringList{QStringLiteral("A Palm DOC export is still running. The "
                                                     "program ends when it has finished.")});
        QCOMPARE(converter(f).runningCount(), 0);
        QVERIFY2(f.host.unexpected.isEmpty(), qPrintable(f.host.unexpected.join(u'\n')));
        QCOMPARE(temporaryFiles(programDir()), QStringList());
        if (message.isEmpty()) {
            QCOMPARE(f.host.messages.size(), 1); // the close question only
            checkDatabase(prc, QStringLiteral("--Slow.lua"),
                          "--Slow.lua\r\nprint(\"still here\")\r\n");
        } else {
            QCOMPARE(f.host.messages.size(), 2);
            QVERIFY2(f.host.messages[1].text.contains(message),
                     qPrintable(f.host.messages[1].text));
            QVERIFY(!QFile::exists(prc));
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
    }

    void failuresAreSignalledNotShown_data()
    {
        QTest::addColumn<QString>("converter");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringLiteral("/nonexistent/txt2doc")
                                 << QStringLiteral("\"/nonexistent/txt2doc\" was not found");
        QTest::newRow("exit code") << QStandardPaths::findExecutable(QStringLiteral("false"))
                                   << QStringLiteral("failed with exit code 1");
    }

    // Without a window the converter shows nothing itself: whoever shows
    // its failures learns of them through its signal.
    void failuresAreSignalledNotShown()
    {
        QFETCH(QString, converter);
        QFETCH(QString, message);
        QObject owner;
        auto *conversions = new PalmDocConverter(&owner);
        QSignalSpy failed(conversions, &PalmDocConverter::conversionFailed);
        QSignalSpy ended(conversions, &PalmDocConverter::conversionEnded);
        conversions->start(converter, QStringLiteral("in.txt"), QStringLiteral("out.prc"),
                           QStringLiteral("--A.lua"));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 10000);
        QCOMPARE(ended[0][1].toBool(), false);
        QCOMPARE(failed.size(), 1);
        QVERIFY2(failed[0][0].toString().contains(message), qPrintable(failed[0][0].toString()));
    }
};

SCRIVLET_TEST_MAIN(tst_PalmDocExport)
#include "tst_palmdocexport.moc"
