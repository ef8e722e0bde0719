#pragma once

#include "run/pluadebug.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class DatabasesView;
class HandheldSpeedBox;
class HandheldView;
class HostServices;
class QComboBox;
class QLabel;
class QPropertyAnimation;
class QPushButton;
class RunnerProcess;

// The window a Plua program runs in: the handheld, a line for what went
// wrong (a click on it goes to the program's line), the screen's scale,
// Restart (Ctrl+R), Save Screenshot and Stop. Closing it stops the program.
// The scale chosen is remembered; the window shows the largest scale up to
// it that fits the screen's free area. Pause (the Pause key) freezes the
// program and its screen until Continue; the handheld takes no input
// meanwhile.
class RunWindow : public QWidget
{
    Q_OBJECT

public:
    explicit RunWindow(HostServices &host, QWidget *parent = nullptr);
    ~RunWindow() override;

    // Stops what runs and starts `source`; `fileName` names it in messages.
    void run(const QString &source, const QString &fileName);
    // Shows a fault found before running; nothing runs.
    void showFault(const QString &fileName, int line, const QString &message);
    void stop();
    bool isRunning() const;
    bool isPaused() const;
    void pause();
    // Goes on after a pause as `command` says (Continue, a step).
    void resume(DebugCommand command);
    // The run's runner; nullptr before the first run.
    RunnerProcess *session() const { return m_session; }
    QString statusText() const;
    HandheldView *view() const { return m_view; }
    // The scale the user chose (the one shown may be smaller to fit).
    int chosenScale() const { return m_chosenScale; }
    void chooseScale(int scale);
    // Asks for a file and writes the screen there as a PNG, at 1x or at the
    // scale shown.
    void saveScreenshot(bool atShownScale);
    // The storage folder's databases, in a window of their own.
    DatabasesView *showDatabases();
    HandheldSpeedBox *speedBox() const { return m_speedBox; }

signals:
    // Ctrl+R: run the program again from the editor's text.
    void restartRequested();
    void goToLine(int line);
    // The first picture of a run reached the window, `ms` after run().
    void firstFrameShown(qint64 ms);
    // A run's runner was made; it starts right after (breakpoints go in now).
    void sessionStarted(RunnerProcess *session);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void onFinished(bool stopped, int line, const QString &message);
    void setStatus(const QString &text, int line);
    void showSound(const QString &note);
    void showPaused(bool paused, int line);
    void fitScale();
    bool fits(int scale);

    HostServices &m_host;
    HandheldView *m_view;
    QComboBox *m_scaleBox;
    HandheldSpeedBox *m_speedBox;
    QPointer<DatabasesView> m_databases;
    QLabel *m_status;
    QLabel *m_sound; // the latest sound, fading
    QPropertyAnimation *m_soundFade;
    QPushButton *m_stopButton;
    QPushButton *m_pauseButton;
    RunnerProcess *m_session = nullptr;
    QString m_fileName;
    QElapsedTimer m_started;
    bool m_firstFrame = false;
    bool m_shownInactive = false;
    bool m_watchingScreen = false;
    int m_chosenScale = 2;
};
