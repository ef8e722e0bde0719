#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class HandheldView;
class QDialog;
class QLabel;
class QPushButton;
class RunnerProcess;
struct DialogRequest;

// The window a Plua program runs in: the handheld, a line for what went
// wrong (a click on it goes to the program's line) and Stop. Closing it
// stops the program.
class RunWindow : public QWidget
{
    Q_OBJECT

public:
    explicit RunWindow(QWidget *parent = nullptr);
    ~RunWindow() override;

    // Stops what runs and starts `source`; `fileName` names it in messages.
    void run(const QString &source, const QString &fileName);
    // Shows a fault found before running; nothing runs.
    void showFault(const QString &fileName, int line, const QString &message);
    void stop();
    bool isRunning() const;
    QString statusText() const;
    HandheldView *view() const { return m_view; }

signals:
    void goToLine(int line);
    // The first picture of a run reached the window, `ms` after run().
    void firstFrameShown(qint64 ms);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void answerDialog(const DialogRequest &request);
    void onFinished(bool stopped, int line, const QString &message);
    void showMenu(const QPoint &globalPosition);
    void setStatus(const QString &text, int line);

    HandheldView *m_view;
    QLabel *m_status;
    QPushButton *m_stopButton;
    RunnerProcess *m_session = nullptr;
    QPointer<QDialog> m_dialog;
    QString m_fileName;
    QElapsedTimer m_started;
    bool m_firstFrame = false;
    bool m_shownInactive = false;
};
