#include "outputfixture.h"
#include "testenv.h"

#include "document/textbuffer.h"
#include "output/palmdocconverter.h"

#include <QSignalSpy>

using Buttons = HostServices::Buttons;

class tst_TextExport : public QObject
{
    Q_OBJECT

private slots:
    void writesTheTextAsAProjectFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("two lines")
            << QStringLiteral("--Lamp.lua\r\nprint(1)") << QByteArray("--Lamp.lua\r\nprint(1)\r\n");
        QTest::newRow("empty document") << QString() << QByteArray("\r\n");
        QTest::newRow("ends with a line break")
            << QStringLiteral("x = 1\r\n") << QByteArray("x = 1\r\n\r\n");
        QTest::newRow("Windows-1252 letters")
            << QString::fromUtf8("s = \"caf\xc3\xa9 \xe2\x82\xac\"")
            << QByteArray("s = \"caf\xe9 \x80\"\r\n");
        QTest::newRow("tabs and blank lines")
            << QStringLiteral("\tx\r\n\r\n  y") << QByteArray("\tx\r\n\r\n  y\r\n");
    }

    void writesTheTextAsAProjectFile()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        OutputFixture f(dir.path());
        f.window->document().setFileName(dir.filePath(QStringLiteral("project.lua")));
        f.setText(text);
        const QString target = dir.filePath(QStringLiteral("copy of it.txt"));
        QVERIFY(writeBytes(target, "old content that is longer than the new one\r\n"));
        f.host.fileAnswers.enqueue(target);
        QVERIFY(f.trigger("mnutxtExport"));

        QCOMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(f.host.fileDialogs[0].mode, HostServices::FileMode::Save);
        QCOMPARE(f.host.fileDialogs[0].title, QStringLiteral("Save"));
        QCOMPARE(f.host.fileDialogs[0].filter, QStringLiteral("Text Files (*.txt)"));
        // Nothing chosen yet: the dialog opens in the project's own folder.
        QCOMPARE(f.host.fileDialogs[0].initialName, dir.path() + u'/');
        QCOMPARE(readBytes(target), bytes);
        QVERIFY(f.host.messages.isEmpty());
        // A copy: the project's own file name stays, and Save writes there.
        QCOMPARE(f.window->document().fileName(), dir.filePath(QStringLiteral("project.lua")));
        QCOMPARE(f.window->document().stagingBuffer().text(), f.window->document().text());
        f.window->document().save();
        QCOMPARE(readBytes(dir.filePath(QStringLiteral("project.lua"))), bytes);
        QCOMPARE(readBytes(target), bytes);
    }

    // The dialog starts from the file chosen last by any command, the
    // output of a Palm DOC export included.
    void offersTheLastChosenFile()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(QStringLiteral(TXT2DOC_PATH), dir.filePath(QStringLiteral("txt2doc"))));
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("txt2doc")),
                                      QFile::permissions(QStringLiteral(TXT2DOC_PATH))));
        OutputFixture f(dir.path());
        QSignalSpy ended(&f.program.converter(), &PalmDocConverter::conversionEnded);
        const QString prc = dir.filePath(QStringLiteral("handheld copy.prc"));
        f.host.fileAnswers.enqueue(prc);
        QVERIFY(f.trigger("mnuPRCexport"));
        QTRY_COMPARE_WITH_TIMEOUT(ended.size(), 1, 30000);
        QVERIFY(ended[0][1].toBool());

        const QString txt = dir.filePath(QStringLiteral("plain.txt"));
        f.host.fileAnswers.enqueue(txt);
        QVERIFY(f.trigger("mnutxtExport"));
        QCOMPARE(f.host.fileDialogs.size(), 2);
        QCOMPARE(f.host.fileDialogs[1].initialName, prc);
        QCOMPARE(readBytes(txt), QByteArray("--My Project Name.lua\r\n\r\n"));

        // And after a text export, the next one starts from it.
        f.host.fileAnswers.enqueue(QString());
        QVERIFY(f.trigger("mnutxtExport"));
        QCOMPARE(f.host.fileDialogs[2].initialName, txt);
        QVERIFY(f.window->document().fileName().isEmpty());
        QVERIFY(f.host.unexpected.isEmpty());
    }

    void cancelWritesNothing()
    {
        QTemporaryDir dir;
        OutputFixture f(dir.path());
        f.host.fileAnswers.enqueue(QString());
        QVERIFY(f.trigger("mnutxtExport"));
        QCOMPARE(f.host.fileDialogs.size(), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
        QVERIFY(f.host.messages.isEmpty());
    }

    void unwritableTargetIsReported()
    {
        QTemporaryDir dir;
        OutputFixture f(dir.path());
        f.setText(QStringLiteral("print(1)"));
        f.host.fileAnswers.enqueue(dir.filePath(QStringLiteral("no such folder/out.txt")));
        QVERIFY(f.trigger("mnutxtExport"));
        QCOMPARE(f.host.messages.size(), 1);
        QVERIFY(f.host.messages[0].text.startsWith(QStringLiteral("There has been a error!\n\n")));
        QCOMPARE(f.host.messages[0].caption, QStringLiteral("Error"));
        QCOMPARE(f.window->document().text(), QStringLiteral("print(1)"));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("no such folder"))));
    }
};

SCRIVLET_TEST_MAIN(tst_TextExport)
#include "tst_textexport.moc"
