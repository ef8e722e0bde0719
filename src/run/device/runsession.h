#pragma once

#include "device.h"
#include "run/pluadebug.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

class PluaEngine;
class QTimer;

// One run of one Plua 1 program on its own thread, on a simulated handheld:
// the window (or a benchmark) feeds the device input, is sent frames while
// the screen changes, answers the program's dialogs and may stop it at any
// time, even in an endless loop. Signals arrive on the session's thread.
class RunSession : public QObject
{
    Q_OBJECT

public:
    explicit RunSession(const QString &databaseFolder, QObject *parent = nullptr);
    ~RunSession() override; // stops the program and waits for its thread

    Device &device() { return *m_device; }
    // Starts `source` (Plua 1 text); a session runs one program once.
    void start(const QString &source, const QString &chunkName);
    void stop();
    bool isRunning() const { return m_running; }
    // Holds the program to about `rate` VM instructions a second (0: full
    // speed), before or while it runs.
    void setInstructionRate(double rate);

    // --- debugging ---
    // The lines to stop at; before start() or while the program runs.
    void setBreakpoints(const QList<int> &lines);
    // Stops the program where it is, at its next line or where it waits
    // for input; its screen keeps its last frame. paused() tells where.
    void pause();
    // While paused: goes on as `command` says.
    void resume(DebugCommand command);
    // While paused: evaluates `expression` in frame `frame` (0: the
    // innermost); evaluated() gives the result.
    void evaluate(int frame, const QString &expression);
    bool isPaused() const { return m_paused; }

    // The per-user folder the handheld's databases are kept in.
    static QString defaultDatabaseFolder();

signals:
    void frameReady(const QImage &screen); // at most 67 times a second
    void output(const QByteArray &text);
    void soundPlayed(const QString &note); // the latest, at most once a frame
    // The run ended. `stopped`: by stop(); otherwise a non-empty message is
    // a fault (line 0 when no line is known) and an empty one a normal end.
    void finished(bool stopped, int line, const QString &message);
    void paused(const DebugSnapshot &snapshot);
    void resumed();
    void evaluated(int frame, const QString &expression, const QString &result);

private:
    DebugCommand waitWhilePaused(PausedProgram &program);

    void pollFrame();
    void onThreadDone(bool stopped, int line, const QString &message);

    std::unique_ptr<Device> m_device;
    std::thread m_thread;
    std::mutex m_engineMutex;
    PluaEngine *m_engine = nullptr; // lives on the run's thread
    bool m_stopRequested = false;
    double m_rate = 0; // guarded by m_engineMutex
    bool m_running = false;
    QTimer *m_frameTimer;
    // Requests to the paused program: a command, or an expression.
    struct DebugRequest
    {
        DebugCommand command;
        bool evaluate = false;
        int frame = 0;
        QString expression;
    };
    std::mutex m_debugMutex;
    std::condition_variable m_debugWake;
    std::deque<DebugRequest> m_debugRequests;
    QList<int> m_breakpoints;
    bool m_paused = false; // on the session's thread
    std::mutex m_soundMutex;
    QString m_pendingSound;
};
