#pragma once

#include "device.h"
#include "run/pluadebug.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

class QTimer;

// One run of one Plua 1 program in a child process, the runner (plua-run
// --serve): a crash, a hang or a flood in the program cannot touch the
// editor. The window feeds it input, is sent frames, the menu, sounds and
// dialogs, and may stop it at any time: stop() ends the process within a
// fifth of a second whatever it is doing, and so does destroying this.
class RunnerProcess : public QObject
{
    Q_OBJECT

public:
    // `runner` is the plua-run program; `storage` the handheld's storage
    // folder, the only one the program's files and databases may be in.
    RunnerProcess(const QString &runner, const QString &storage, QObject *parent = nullptr);
    ~RunnerProcess() override;

    // plua-run beside the running program, or in the build's bin folder
    // beside the folder of the tests and benchmarks.
    static QString defaultRunner();

    void start(const QString &source, const QString &chunkName);
    void stop();
    bool isRunning() const { return m_running; }
    // The runner crashed, was killed or could not start: the message of
    // finished() says so in plain words.
    bool failed() const { return m_failed; }

    // --- input, as the device takes it ---
    void penDown(int x, int y) { sendPen(0, x, y); }
    void penMove(int x, int y) { sendPen(1, x, y); }
    void penUp(int x, int y) { sendPen(2, x, y); }
    void key(int code);
    // The screen in words, as last sent.
    QList<ScreenItem> screenItems() const { return m_screenItems; }
    // Holds the program to about `rate` VM instructions a second (0: full
    // speed), from its start or at once while it runs.
    void setInstructionRate(double rate);

    // --- debugging, as RunSession's ---
    // Before start() or while running: the lines to stop at.
    void setBreakpoints(const QList<int> &lines);
    void pause();
    void resume(DebugCommand command);
    void evaluate(int frame, const QString &expression);
    bool isPaused() const { return m_paused; }

signals:
    void frameReady(const QImage &screen);
    void soundPlayed(const QString &note);
    void screenItemsChanged();
    // As RunSession::finished; a runner that crashed or could not start
    // ends with a message that says so and line 0.
    void finished(bool stopped, int line, const QString &message);
    void paused(const DebugSnapshot &snapshot);
    void resumed();
    void evaluated(int frame, const QString &expression, const QString &result);

private:
    void sendPen(int kind, int x, int y);
    void send(const QByteArray &message);
    void readMessages();
    void onProcessFinished(int exitCode, QProcess::ExitStatus status);
    void fail(const QString &message);
    void end(bool stopped, int line, const QString &message);

    QProcess *m_process;
    QTimer *m_killTimer;
    QString m_runner;
    QString m_storage;
    QByteArray m_pending;
    QList<ScreenItem> m_screenItems;
    double m_rate = 0;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_ended = false;
    bool m_failed = false;
    bool m_paused = false;
    QList<int> m_breakpoints;
};
