#pragma once

#include <QColor>
#include <QObject>
#include <QString>
#include <QTextCursor>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QStatusBar;
class QuietTimer;

// Checks the program in an editor as it is written. A pause in typing starts
// a check of a snapshot of the text on a worker thread, so keys never wait
// for it; a result that an edit has overtaken is dropped. The first fault is
// underlined where it is, its message is shown in a status bar field of its
// own and as a tool tip over the mark, and an action (F8) puts the caret on
// it and shows the message there.
class PluaDiagnostics : public QObject
{
    Q_OBJECT

public:
    // Quiet time after the last edit before a check starts.
    static constexpr int PauseMs = 300;

    // `statusBar` may be null: the message then shows only at the mark.
    PluaDiagnostics(QPlainTextEdit *editor, QStatusBar *statusBar);
    ~PluaDiagnostics() override;

    // While off, nothing is checked and no mark is shown.
    void setActive(bool active);
    bool isActive() const { return m_active; }

    // The fault found by the last finished check: its line (from 1, 0 when
    // the program is valid), column and message.
    int errorLine() const { return m_line; }
    int errorColumn() const { return m_column; }
    QString errorMessage() const { return m_message; }
    // "Line 3, column 7: ..." as shown in the status bar; empty when valid.
    QString statusText() const;
    // The marked text; follows later edits until the next check.
    QTextCursor errorCursor() const { return m_mark; }

    // The wavy line under a fault and the message's colour in the status bar.
    void setColours(const QColor &mark, const QColor &statusText);

    QAction *goToErrorAction() const { return m_goToError; }
    QLabel *statusField() const { return m_field; }

    // Where a check gets the program's text from, on the editor's thread:
    // lines apart by '\n' or U+2029 (QTextDocument's own separator). By
    // default a copy of the editor's document; a cheaper copy of the same
    // text can take its place. An empty function restores the default.
    using TextSource = std::function<QString()>;
    void setTextSource(TextSource source);

    // Checks now instead of after the pause (the result still arrives later).
    void checkNow();
    // Puts the caret on the fault and shows its message beside it.
    void goToError();

signals:
    // A check finished and the mark changed (or was cleared).
    void resultChanged();

private:
    struct Shared;

    void textEdited();
    void finished(quint64 generation, int line, int column, const QString &message);
    void showMark();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QPlainTextEdit *m_editor;
    QuietTimer *m_pause;
    TextSource m_source;
    QLabel *m_field = nullptr;
    QAction *m_goToError;
    std::shared_ptr<Shared> m_shared;
    quint64 m_generation = 0;
    bool m_active = true;
    int m_line = 0;
    int m_column = 0;
    QString m_message;
    QTextCursor m_mark;
    QColor m_markColour = Qt::red;
};
