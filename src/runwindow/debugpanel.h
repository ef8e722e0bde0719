#pragma once

#include "run/pluadebug.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

// The debugger's window: the paused program's call stack (function names
// and lines), the variables of the frame chosen in it (locals, the
// %upvalues it uses, the globals the program made; tables open up) and an
// expression box evaluated in that frame. Its title says the program's
// state, so it reads from the task bar too. Every part takes the keyboard
// (Tab between them, Ctrl+C copies a variable as "name = value"), and the
// stack's and the variables' rows read out as whole sentences.
class DebugPanel : public QWidget
{
    Q_OBJECT

public:
    explicit DebugPanel(QWidget *parent = nullptr);

    // A run of `program` began, or it went on after a pause.
    void showRunning(const QString &program);
    void showPaused(const QString &program, const DebugSnapshot &snapshot);
    // The run ended; `how` says how ("Ended", "Stopped", a fault).
    void showEnded(const QString &program, const QString &how);
    void showResult(int frame, const QString &expression, const QString &result);

    int currentFrame() const;
    const DebugSnapshot &snapshot() const { return m_snapshot; }
    QTreeWidget *variables() const { return m_variables; }
    QListWidget *stack() const { return m_stack; }

signals:
    void evaluateRequested(int frame, const QString &expression);
    // A frame was chosen: its line is worth showing in the editor.
    void frameChosen(int line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showFrame(int frame);
    void addValues(QTreeWidgetItem *parent, const std::vector<DebugValue> &values);
    void setPausedControls(bool paused);

    QListWidget *m_stack;
    QTreeWidget *m_variables;
    QLineEdit *m_expression;
    QLineEdit *m_result;
    QLabel *m_state;
    DebugSnapshot m_snapshot;
    bool m_paused = false;
};
