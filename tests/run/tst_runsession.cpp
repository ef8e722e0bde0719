// A program on its own thread: how its run ends, what it prints and draws,
// and that a stop ends it whatever it is doing.

#include "runsession.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_RunSession : public QObject
{
    Q_OBJECT

private slots:
    void ends_data();
    void ends();
    void stopsWhateverItDoes_data();
    void stopsWhateverItDoes();
    void answersDialogsFromTheWindow();
    void inputReachesTheProgram();

private:
    QTemporaryDir m_databases;
};

void tst_RunSession::ends_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("output");
    QTest::newRow("normal end") << "print(\"a\", 1)\n" << 0 << QString() << QByteArray("a\t1\n");
    QTest::newRow("syntax error does not run")
        << "print(\"a\")\nif x then" << 3 << "`end' expected (to close `if' at line 2)"
        << QByteArray();
    QTest::newRow("run-time error")
        << "print(\"a\")\n\nlocal t = nil\nprint(t[1])\n"
        << 4 << "attempt to index local `t' (a nil value)" << QByteArray("a\n");
}

void tst_RunSession::ends()
{
    QFETCH(QString, source);
    QFETCH(int, line);
    QFETCH(QString, message);
    QFETCH(QByteArray, output);
    RunSession session(m_databases.path());
    QSignalSpy finished(&session, &RunSession::finished);
    QByteArray printed;
    connect(&session, &RunSession::output, this, [&printed](const QByteArray &t) { printed += t; });
    session.start(source, QStringLiteral("prog.lua"));
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.at(0).at(0).toBool(), false);
    QCOMPARE(finished.at(0).at(1).toInt(), line);
    QCOMPARE(finished.at(0).at(2).toString(), message);
    QCOMPARE(printed, output);
    QVERIFY(!session.isRunning());
}

void tst_RunSession::stopsWhateverItDoes_data()
{
    QTest::addColumn<QString>("source");
    QTest::newRow("endless loop") << "while 1 do pset(1, 1) end\n";
    QTest::newRow("waiting for an event") << "pevent()\n";
    QTest::newRow("sleeping") << "psleep(60)\n";
    QTest::newRow("playing a long tone") << "psound(440, 60000)\n";
    QTest::newRow("showing a dialog") << "palert(\"Hi\")\n";
}

void tst_RunSession::stopsWhateverItDoes()
{
    QFETCH(QString, source);
    RunSession session(m_databases.path());
    QSignalSpy finished(&session, &RunSession::finished);
    session.start(source, QStringLiteral("prog.lua"));
    QTest::qWait(100);
    QVERIFY(session.isRunning());
    QElapsedTimer timer;
    timer.start();
    session.stop();
    QVERIFY(finished.wait(2000));
    QVERIFY(timer.elapsed() < 1000);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
}

void tst_RunSession::answersDialogsFromTheWindow()
{
    RunSession session(m_databases.path());
    QSignalSpy finished(&session, &RunSession::finished);
    QByteArray printed;
    connect(&session, &RunSession::output, this, [&printed](const QByteArray &t) { printed += t; });
    session.start(QStringLiteral("print(pinput(\"Name\", \"Ann\"))\n"), QStringLiteral("p.lua"));
    // The form on the screen holds the initial text; the window answers it.
    QTRY_VERIFY(session.device().formOpen());
    QString initial;
    for (const ScreenItem &item : session.device().screenItems())
        if (item.kind == ScreenItem::Kind::Field)
            initial = item.text;
    DialogAnswer answer;
    answer.accepted = true;
    answer.text = initial + QStringLiteral("!");
    session.device().answerDialog(answer);
    QVERIFY(finished.wait(5000));
    QCOMPARE(printed, QByteArray("Ann!\n"));
}

void tst_RunSession::inputReachesTheProgram()
{
    RunSession session(m_databases.path());
    QSignalSpy finished(&session, &RunSession::finished);
    QSignalSpy frames(&session, &RunSession::frameReady);
    QByteArray printed;
    connect(&session, &RunSession::output, this, [&printed](const QByteArray &t) { printed += t; });
    session.start(
        QStringLiteral("pbox(0, 0, 10, 10)\nlocal e, x, y = pevent()\nprint(e, x, y)\n"
                       "e, x, y = pevent()\nprint(e, x, y)\ne, x = pevent()\nprint(e, x)\n"),
        QStringLiteral("p.lua"));
    QVERIFY(frames.wait(2000));
    const QImage frame = frames.at(0).at(0).value<QImage>();
    QCOMPARE(frame.pixelIndex(5, 5), 255);
    session.device().tap(30, 40);
    session.device().key('x');
    QVERIFY(finished.wait(5000));
    QCOMPARE(printed, QByteArray("1\t30\t40\n2\t30\t40\n4\t120\n"));
}

QTEST_MAIN(tst_RunSession)
#include "tst_runsession.moc"
