#include "commandline.h"
#include "linebreaks.h"
#include "palmdocfiles.h"
#include "testenv.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_CoreText : public QObject
{
    Q_OBJECT

private slots:
    void commandLineFilePath_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain") << QStringLiteral("a.lua") << QStringLiteral("a.lua");
        QTest::newRow("blanks inside stay")
            << QStringLiteral("my project.lua") << QStringLiteral("my project.lua");
        QTest::newRow("quoted") << QStringLiteral("\"my project.lua\"")
                                << QStringLiteral("my project.lua");
        QTest::newRow("quotes anywhere")
            << QStringLiteral("my \"x\" file.lua") << QStringLiteral("my x file.lua");
        QTest::newRow("outer blanks trimmed")
            << QStringLiteral("  \" a.lua \"  ") << QStringLiteral("a.lua");
        QTest::newRow("tab belongs to the name")
            << QStringLiteral("\ta.lua ") << QStringLiteral("\ta.lua");
        QTest::newRow("option-like name")
            << QStringLiteral("-reverse") << QStringLiteral("-reverse");
        QTest::newRow("only quotes") << QStringLiteral("\"\"") << QString();
        QTest::newRow("nothing") << QString() << QString();
    }

    void commandLineFilePath()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, path);
        QCOMPARE(CommandLine::filePath(commandLine), path);
    }

    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << QStringLiteral("a\r\nb") << QStringList{"a", "b"};
        QTest::newRow("LF") << QStringLiteral("a\nb") << QStringList{"a", "b"};
        QTest::newRow("CR") << QStringLiteral("a\rb") << QStringList{"a", "b"};
        QTest::newRow("LF CR is two breaks")
            << QStringLiteral("a\n\rb") << QStringList{"a", "", "b"};
        QTest::newRow("CR CR LF") << QStringLiteral("a\r\r\nb") << QStringList{"a", "", "b"};
        QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringList{"a", "b"};
        QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b") << QStringList{"a", "b"};
        QTest::newRow("trailing break") << QStringLiteral("a\r\n") << QStringList{"a", ""};
        QTest::newRow("none") << QStringLiteral("a b") << QStringList{"a b"};
        QTest::newRow("empty") << QString() << QStringList{""};
    }

    void lines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(LineBreaks::lines(text), lines);
        QCOMPARE(LineBreaks::normalized(text), lines.join(u'\n'));
        // Walking the text break by break finds the same lines.
        QStringList walked;
        qsizetype start = 0;
        for (qsizetype i = 0; i < text.size();) {
            if (const qsizetype length = LineBreaks::breakLength(text, i)) {
                walked.append(text.sliced(start, i - start));
                i += length;
                start = i;
            } else {
                ++i;
            }
        }
        walked.append(text.sliced(start));
        QCOMPARE(walked, lines);
    }

    void titleCommentName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name"); // null: not a title comment
        QTest::newRow("title then text")
            << QStringLiteral("--A.lua\r\nx") << QStringLiteral("--A.lua");
        QTest::newRow("whole text") << QStringLiteral("--A.lua") << QStringLiteral("--A.lua");
        QTest::newRow("title ends at a lone CR")
            << QStringLiteral("--A.lua\rx") << QStringLiteral("--A.lua");
        QTest::newRow("three hyphens") << QStringLiteral("---A.lua") << QStringLiteral("---A.lua");
        QTest::newRow("tab inside") << QStringLiteral("--\tA.lua") << QStringLiteral("--\tA.lua");
        QTest::newRow("single hyphen") << QStringLiteral("-A.lua") << QString();
        QTest::newRow("no extension") << QStringLiteral("--A") << QString();
        QTest::newRow(".Lua") << QStringLiteral("--A.Lua") << QString();
        QTest::newRow("text after .lua") << QStringLiteral("--A.lua.bak") << QString();
        QTest::newRow("empty") << QString() << QString();
    }

    void titleCommentName()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(PalmDocFiles::titleCommentName(text), name);
        QCOMPARE(PalmDocFiles::titleCommentName(text).isNull(), name.isNull());
    }

    void temporaryFilesAreNew_data()
    {
        QTest::addColumn<bool>("programDirectoryWritable");
        QTest::newRow("program directory") << true;
        QTest::newRow("read-only program directory") << false;
    }

    // Each export gets an empty file of its own, in the program directory
    // when it takes one and in the user's folders otherwise.
    void temporaryFilesAreNew()
    {
        QFETCH(bool, programDirectoryWritable);
        QTemporaryDir program;
        QVERIFY(program.isValid());
        if (!programDirectoryWritable) {
            QFile::setPermissions(program.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            if (QFileInfo(program.path()).isWritable())
                QSKIP("The folder stays writable (running as root).");
        }
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        const QString first = PalmDocFiles::createTemporaryFile(program.path(), cache);
        const QString second = PalmDocFiles::createTemporaryFile(program.path(), cache);
        QFile::setPermissions(program.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        QVERIFY(!first.isEmpty());
        QVERIFY(first != second);
        for (const QString &path : {first, second}) {
            const QFileInfo info(path);
            QVERIFY2(info.isAbsolute() && info.size() == 0, qPrintable(path));
            QVERIFY(info.fileName().startsWith(QLatin1String("del-")));
            QVERIFY(info.fileName().endsWith(QLatin1String(".tmp")));
            QCOMPARE(info.absolutePath() == QFileInfo(program.path()).absoluteFilePath(),
                     programDirectoryWritable);
            QFile::remove(path);
        }
    }
};

int main(int argc, char *argv[])
{
    isolateUserFolders();
    QCoreApplication app(argc, argv);
    tst_CoreText tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_coretext.moc"
