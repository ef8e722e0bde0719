#include "mainwindowfixture.h"
#include "testenv.h"

#include "app/unsavedtext.h"
#include "firstrunmarker.h"
#include "info/frmfirstrun.h"
#include "recoverycopy.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QStatusBar>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>

#include <QTextDocument>

#include <sys/stat.h>

using Answer = HostServices::Answer;

namespace {

QStringList loadedWindowNames(const Program &program)
{
    QStringList names;
    for (QWidget *w : program.loadedWindows())
        names << w->objectName();
    return names;
}

// Runs a command and returns its standard output, trimmed.
QString run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForFinished(10000))
        return {};
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void firstRunCheck_data()
    {
        QTest::addColumn<QByteArray>("marker"); // "<none>": no settings.ini
        QTest::addColumn<QString>("window");
        QTest::addColumn<QByteArray>("markerAfter");
        QTest::newRow("first start")
            << QByteArray("<none>") << "frmFirstRun" << QByteArray("1\r\n");
        QTest::newRow("marker set") << QByteArray("1\r\n") << "frmMain" << QByteArray("1\r\n");
        QTest::newRow("further lines ignored") << QByteArray("1\r\nwhatever\r\n2\r\n") << "frmMain"
                                               << QByteArray("1\r\nwhatever\r\n2\r\n");
        QTest::newRow("trailing blank")
            << QByteArray("1 \r\n") << "frmFirstRun" << QByteArray("1 \r\n");
        QTest::newRow("zero") << QByteArray("0\r\n") << "frmFirstRun" << QByteArray("0\r\n");
        QTest::newRow("empty file") << QByteArray("") << "frmFirstRun" << QByteArray("");
    }

    void firstRunCheck()
    {
        QFETCH(QByteArray, marker);
        QFETCH(QString, window);
        QFETCH(QByteArray, markerAfter);
        QTemporaryDir dir, user;
        const QString ini = dir.filePath("settings.ini");
        if (marker != "<none>")
            MainWindowFixture::writeFile(ini, marker);
        ScriptedHostServices host(dir.path());
        host.userDirectoryOverride = user.path();
        Program program(host, QString());
        program.start();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(loadedWindowNames(program), QStringList{window});
        QCOMPARE(MainWindowFixture::readFile(ini), markerAfter);
        QCOMPARE(bool(program.mainWindow()), window == u"frmMain");
        QVERIFY(host.unexpected.isEmpty());
    }

    void unwritableProgramDirectoryKeepsTheMarkerForTheUser()
    {
        QTemporaryDir base;
        // A program directory that cannot take files.
        const QString programDir = base.filePath("not-a-folder");
        MainWindowFixture::writeFile(programDir, "x");
        const QString userDir = base.filePath("user");
        {
            ScriptedHostServices host(programDir);
            host.userDirectoryOverride = userDir;
            Program program(host, QString());
            program.start();
            QCOMPARE(loadedWindowNames(program), QStringList{"frmFirstRun"});
            QCOMPARE(MainWindowFixture::readFile(userDir + "/settings.ini"), QByteArray("1\r\n"));
        }
        // The next start goes straight to the editor.
        ScriptedHostServices host(programDir);
        host.userDirectoryOverride = userDir;
        Program program(host, QString());
        program.start();
        QCOMPARE(loadedWindowNames(program), QStringList{"frmMain"});
    }

    void startMainWindowClosesTheWizard()
    {
        QTemporaryDir dir;
        ScriptedHostServices host(dir.path());
        host.userDirectoryOverride = dir.filePath("user");
        Program program(host, QString());
        program.start();
        QVERIFY(program.findWindow<frmFirstRun>());
        program.startMainWindow();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!program.findWindow<frmFirstRun>());
        QCOMPARE(loadedWindowNames(program), QStringList{"frmMain"});
        QVERIFY(program.mainWindow()->isVisible());
    }

    // A copy left by an editor that is gone is offered once, at the next
    // start, and taken whole or not at all.
    void unsavedTextLeftByAnEditorThatIsGone_data()
    {
        QTest::addColumn<QByteArray>("damage"); // "": the copy as written
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("setAside");
        const QString question = QStringLiteral(
            "Scrivlet IDE did not close properly. Restore the unsaved text of hello.lua from %1?");
        const QString kept = QStringLiteral("x = 1\n-- caf\u00e9 \u2192 %1\n");
        QTest::newRow("restored") << QByteArray() << Answer::Yes << question << kept << false;
        QTest::newRow("declined") << QByteArray() << Answer::No << question << QString() << false;
        QTest::newRow("altered") << QByteArray("x = 2") << Answer::Ok
                                 << "damaged (its text does not match its checksum)" << QString()
                                 << true;
        QTest::newRow("cut short")
            << QByteArray("cut") << Answer::Ok << "damaged (its text is 8 bytes long instead of"
            << QString() << true;
        QTest::newRow("not a copy")
            << QByteArray("garbage") << Answer::Ok
            << "damaged (it does not start like a recovery copy" << QString() << true;
    }

    void unsavedTextLeftByAnEditorThatIsGone()
    {
        QFETCH(QByteArray, damage);
        QFETCH(Answer, answer);
        QFETCH(QString, message);
        QFETCH(QString, text);
        QFETCH(bool, setAside);
        QTemporaryDir dir;
        ScriptedHostServices host(dir.path());
        const QString folder = RecoveryCopy::folderIn(host.stateDirectory());
        QDir(folder).removeRecursively();
        const QDateTime written = QDateTime::currentDateTime();
        const QString hello = dir.filePath("hello.lua");
        const QString kept = QStringLiteral("x = 1\n-- caf\u00e9 \u2192 %1\n").arg(dir.path());
        QByteArray bytes = RecoveryCopy::encode({hello, written, kept});
        if (damage == "cut")
            bytes.chop(int(bytes.size() - bytes.indexOf("\n\n") - 10));
        else if (damage == "garbage")
            bytes = "PK\x03\x04" + bytes;
        else if (!damage.isEmpty())
            bytes.replace("x = 1", damage);
        // A copy without a lock is one whose editor is gone.
        QVERIFY(QDir().mkpath(folder));
        MainWindowFixture::writeFile(folder + "/editor-1-dead.recovery", bytes);

        host.messageAnswers.enqueue(answer);
        Program program(host, QString());
        program.startMainWindow();
        frmMain *main = program.mainWindow();
        QTRY_COMPARE(host.messages.size(), 1);
        QVERIFY2(host.messages[0].text.contains(message.arg(written.toString("HH:mm"))),
                 qPrintable(host.messages[0].text));
        if (!text.isEmpty()) {
            QCOMPARE(main->document().text(), text.arg(dir.path()).replace("\n", "\r\n"));
            QCOMPARE(main->document().fileName(), hello);
            QVERIFY(main->editor()->document()->isModified());
        } else {
            QCOMPARE(main->document().text(), QStringLiteral("--My Project Name.lua\r\n"));
        }
        // Offered once: the next start asks nothing.
        const QStringList left = QDir(folder).entryList({"editor-1-dead*"}, QDir::Files);
        QCOMPARE(left.size(), setAside ? 1 : 0);
        if (setAside)
            QVERIFY(left[0].endsWith(".damaged"));
        main->unsavedText().closedProperly();
        QVERIFY(QDir(folder).entryList({"*.recovery"}, QDir::Files).isEmpty());
        QVERIFY(host.unexpected.isEmpty());
    }

    // Typing leaves a copy after a pause; saving removes it; a copy whose
    // editor still runs is never offered to another.
    void unsavedTextIsKeptUntilSaved()
    {
        MainWindowFixture f;
        const QString folder = RecoveryCopy::folderIn(f.host.stateDirectory());
        QDir(folder).removeRecursively();
        auto copies = [&] { return QDir(folder).entryList({"*.recovery"}, QDir::Files); };
        QTest::keyClicks(f.editor(), "print(1)");
        QTRY_COMPARE_WITH_TIMEOUT(copies().size(), 1, UnsavedTextKeeper::QuietMs + 3000);
        const RecoveryCopy::DecodeResult copy =
            RecoveryCopy::decode(MainWindowFixture::readFile(folder + u'/' + copies()[0]));
        QVERIFY(copy.ok);
        QCOMPARE(copy.contents.text, f.text().replace("\r\n", "\n"));

        MainWindowFixture other;
        QTest::qWait(50);
        QVERIFY(other.host.messages.isEmpty());
        QCOMPARE(copies().size(), 1);

        f.host.fileAnswers.enqueue(f.path("saved.lua"));
        f.trigger("mnuFileSave");
        QTRY_VERIFY(copies().isEmpty());
        f.window->unsavedText().closedProperly();
        other.window->unsavedText().closedProperly();
    }

    // A settings file that would block the start (a FIFO) is moved aside
    // with a word, and the editor starts.
    void settingsFileThatIsNoFileIsSetAside()
    {
        QTemporaryDir dir;
        ScriptedHostServices host(dir.path());
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Scrivlet IDE";
        QVERIFY(QDir().mkpath(config));
        const QString store = config + "/Scrivlet IDE.conf";
        QFile::remove(store);
        QCOMPARE(::mkfifo(QFile::encodeName(store).constData(), 0600), 0);
        auto removeAside = qScopeGuard([&] {
            for (const QString &name : QDir(config).entryList({"*.not-a-file-*"}, QDir::System))
                QFile::remove(config + u'/' + name);
        });
        FirstRunMarker::write(dir.path(), dir.path());
        host.messageAnswers.enqueue(Answer::Ok);
        Program program(host, QString());
        program.start();
        QCOMPARE(loadedWindowNames(program), QStringList{"frmMain"});
        QCOMPARE(host.messages.size(), 1);
        QVERIFY2(host.messages[0].text.startsWith("The settings file " + store +
                                                  " is not a regular file, so it was moved to"),
                 qPrintable(host.messages[0].text));
        QCOMPARE(QDir(config).entryList({"*.not-a-file-*"}, QDir::System).size(), 1);
        QVERIFY(!QFileInfo::exists(store));
        program.mainWindow()->unsavedText().closedProperly();
    }

    void endOfProgramClosesWindowsThatOwnOthers()
    {
        QTemporaryDir dir;
        ScriptedHostServices host(dir.path());
        QPointer<QWidget> owned;
        QPointer<frmMain> main;
        {
            Program program(host, QString());
            program.startMainWindow();
            main = program.mainWindow();
            // A dialog owned by the main window, listed after it: deleting
            // the main window takes the dialog along.
            owned = new QWidget(program.mainWindow(), Qt::Dialog);
            program.registerWindow(owned);
            owned->show();
        }
        QVERIFY(owned.isNull());
        QVERIFY(main.isNull());
        QVERIFY(host.unexpected.isEmpty());
    }

    void commandLine_data()
    {
        QTest::addColumn<QString>("commandLine"); // %1 is the temporary folder
        QTest::addColumn<QString>("currentFileName");
        QTest::addColumn<QString>("message"); // what the failure says; "" when the file opens
        const QString notFound = QStringLiteral("File Not Found");
        QTest::newRow("quoted path with spaces") << "\"%1/my prog.lua\""
                                                 << "%1/my prog.lua"
                                                 << "";
        QTest::newRow("same path unquoted") << "%1/my prog.lua"
                                            << "%1/my prog.lua"
                                            << "";
        QTest::newRow("blanks around") << "   \"%1/my prog.lua\"  "
                                       << "%1/my prog.lua"
                                       << "";
        QTest::newRow("quote inside the name dropped") << "%1/my\" prog.lua"
                                                       << "%1/my prog.lua"
                                                       << "";
        QTest::newRow("two files are one path") << "%1/a.lua %1/b.lua"
                                                << "%1/a.lua %1/b.lua" << notFound;
        QTest::newRow("only blanks") << "   "
                                     << "" << notFound;
        QTest::newRow("missing file") << "%1/none.lua"
                                      << "%1/none.lua" << notFound;
        // Files that were read and refused keep no name: Save must not
        // overwrite them with the editor's text.
        QTest::newRow("binary file") << "%1/binary.lua"
                                     << ""
                                     << "binary data";
        QTest::newRow("a folder") << "%1"
                                  << ""
                                  << "is a folder, not a file";
        QTest::newRow("a pipe") << "%1/pipe.lua"
                                << ""
                                << "not a regular file";
        QTest::newRow("one endless line") << "%1/long.lua"
                                          << ""
                                          << "longer than";
    }

    void commandLine()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, currentFileName);
        QFETCH(QString, message);
        QTemporaryDir dir;
        MainWindowFixture::writeFile(dir.filePath("my prog.lua"), "x = 1\nprint(x)");
        MainWindowFixture::writeFile(dir.filePath("a.lua"), "a");
        MainWindowFixture::writeFile(dir.filePath("b.lua"), "b");
        MainWindowFixture::writeFile(dir.filePath("binary.lua"), QByteArray("x\0y", 3));
        MainWindowFixture::writeFile(dir.filePath("long.lua"), QByteArray(300 * 1024, 'x'));
        QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("pipe.lua")).constData(), 0600) == 0);
        commandLine.replace("%1", dir.path());
        currentFileName.replace("%1", dir.path());

        ScriptedHostServices host(dir.path());
        host.messageAnswers << Answer::Ok;
        Program program(host, commandLine);
        program.startMainWindow();
        frmMain *w = program.mainWindow();
        // The file is read once the window is on screen.
        if (message.isEmpty())
            QTRY_COMPARE(w->document().text(), QStringLiteral("x = 1\r\nprint(x)"));
        else
            QTRY_COMPARE(host.messages.size(), 1);
        QCOMPARE(program.mainWindow()->document().fileName(), currentFileName);
        if (message.isEmpty()) {
            QCOMPARE(w->lineStatusBar()->currentMessage(), QStringLiteral("Line 1 of 2"));
            QVERIFY(host.messages.isEmpty());
        } else {
            QCOMPARE(host.messages.size(), 1);
            QVERIFY2(host.messages[0].text.contains(message), qPrintable(host.messages[0].text));
            QCOMPARE(host.messages[0].caption, QStringLiteral("Error"));
            QCOMPARE(w->document().text(), QStringLiteral("--My Project Name.lua\r\n"));
        }
        // The catalogue is filled before the file is read.
        QCOMPARE(w->catalogueList()->currentItem()->text(), QStringLiteral("closedb()"));
    }

    void failedCommandLineFileIsWrittenBySave()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("new.lua");
        ScriptedHostServices host(dir.path());
        host.messageAnswers << Answer::Ok;
        Program program(host, path);
        program.startMainWindow();
        QTRY_COMPARE(host.messages.size(), 1);
        program.mainWindow()->document().save();
        QCOMPARE(MainWindowFixture::readFile(path), QByteArray("--My Project Name.lua\r\n\r\n"));
    }

    void refusedCommandLineFileIsNeverOverwritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("program.bin");
        const QByteArray binary("\x7f"
                                "ELF\0\0\0\x01",
                                8);
        MainWindowFixture::writeFile(path, binary);
        ScriptedHostServices host(dir.path());
        host.messageAnswers << Answer::Ok;
        host.fileAnswers << QString();
        Program program(host, path);
        program.startMainWindow();
        QTRY_COMPARE(host.messages.size(), 1);
        QCOMPARE(program.mainWindow()->document().save(), ProjectDocument::SaveResult::Cancelled);
        QCOMPARE(host.fileDialogs.size(), 1); // Save went through Save As
        QCOMPARE(MainWindowFixture::readFile(path), binary);
    }

    // The built program's own options, and Qt's left alone: everything else
    // on the command line is the name of the file to open.
    void programOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("output");
        QTest::newRow("help") << QStringList{"--help"} << "Usage: ";
        QTest::newRow("version") << QStringList{"--version"} << "Scrivlet IDE 1.3b";
    }

    void programOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, output);
        QProcess p;
        p.start(QStringLiteral(SCRIVLET_BIN_DIR "/scrivlet"), arguments);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QVERIFY2(QString::fromLocal8Bit(p.readAllStandardOutput()).startsWith(output),
                 qPrintable(output));
    }

    void qtOptionsAreFileNames()
    {
        // Qt would take "-platform" for its own and stop at once for want of
        // the platform; as a file name it only gets "File Not Found".
        QTemporaryDir dir;
        const QString exe = dir.filePath("scrivlet");
        QVERIFY(QFile::copy(QStringLiteral(SCRIVLET_BIN_DIR "/scrivlet"), exe));
        MainWindowFixture::writeFile(dir.filePath("settings.ini"), "1\r\n");
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(exe, {"-platform", "no-such-platform", "-reverse"});
        QVERIFY(p.waitForStarted(5000));
        QVERIFY2(!p.waitForFinished(3000), p.readAllStandardError().constData());
        p.kill();
        p.waitForFinished(5000);
    }

    // The built program in a program directory of its own, on a real X
    // display: it opens the file named on its command line, Ctrl+S writes it
    // back, and File, Exit asks before the program ends.
    void realProgramOpensAndSavesItsCommandLineFile()
    {
        const QString xvfb = QStandardPaths::findExecutable("Xvfb");
        const QString xdotool = QStandardPaths::findExecutable("xdotool");
        if (xvfb.isEmpty() || xdotool.isEmpty())
            QFAIL("Xvfb and xdotool are needed (packages xvfb, xdotool)");

        QTemporaryDir dir;
        const QString exe = dir.filePath("scrivlet");
        QVERIFY(QFile::copy(QStringLiteral(SCRIVLET_BIN_DIR "/scrivlet"), exe));
        MainWindowFixture::writeFile(dir.filePath("settings.ini"), "1\r\n");
        const QString file = dir.filePath("my prog.lua");
        MainWindowFixture::writeFile(file, "x = 1\nprint(x)\n");

        // A display number nobody holds, not even through a stale socket
        // left by a server that was killed.
        int number = 90;
        while (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)) ||
               QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)))
            ++number;
        const QString display = QStringLiteral(":%1").arg(number);
        QProcess server;
        // -noreset: an X server resets when its last client leaves, and
        // refuses connections while it does; the probes below come and go.
        server.start(xvfb,
                     {display, "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"});
        QVERIFY(server.waitForStarted(5000));
        const auto stopServer = qScopeGuard([&server] {
            server.terminate();
            server.waitForFinished(5000);
        });

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.remove("QT_QPA_PLATFORMTHEME");
        QTRY_VERIFY_WITH_TIMEOUT(!run(xdotool, {"getdisplaygeometry"}, env).isEmpty(), 10000);
        QProcess editor;
        editor.setProcessEnvironment(env);
        editor.setWorkingDirectory(dir.path());
        editor.start(exe, {file}); // one argument with a blank inside
        QVERIFY(editor.waitForStarted(5000));

        QString windowId;
        QTRY_VERIFY2_WITH_TIMEOUT(
            !(windowId = run(xdotool, {"search", "--name", "^Scrivlet IDE 1.3b$"}, env)).isEmpty(),
            qPrintable(QStringLiteral("no main window on %1; the editor said: %2; the X server "
                                      "(%3) said: %4")
                           .arg(display, QString::fromLocal8Bit(editor.readAllStandardError()))
                           .arg(server.state() == QProcess::Running ? "running" : "stopped")
                           .arg(QString::fromLocal8Bit(server.readAllStandardError()))),
            15000);
        windowId = windowId.section(u'\n', 0, 0);
        run(xdotool, {"windowfocus", "--sync", windowId}, env);
        QTest::qWait(300);
        run(xdotool, {"key", "--clearmodifiers", "ctrl+s"}, env);
        QTRY_COMPARE_WITH_TIMEOUT(MainWindowFixture::readFile(file),
                                  QByteArray("x = 1\r\nprint(x)\r\n"), 10000);

        // File, Exit: the save question, answered No; the program ends.
        run(xdotool, {"key", "--clearmodifiers", "alt+f", "x"}, env);
        QString question;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(question = run(xdotool, {"search", "--name", "^Scrivlet IDE$"}, env)).isEmpty(),
            10000);
        run(xdotool, {"windowfocus", "--sync", question.section(u'\n', 0, 0)}, env);
        QTest::qWait(200);
        run(xdotool, {"key", "--clearmodifiers", "alt+n"}, env);
        QVERIFY(editor.waitForFinished(10000));
        QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(editor.exitCode(), 0);
        QCOMPARE(MainWindowFixture::readFile(file), QByteArray("x = 1\r\nprint(x)\r\n"));
        QCOMPARE(MainWindowFixture::readFile(dir.filePath("settings.ini")), QByteArray("1\r\n"));
    }
};

SCRIVLET_TEST_MAIN(tst_Startup)
#include "tst_startup.moc"
