#pragma once

#include <QObject>
#include <QString>
#include <QTextCursor>

class QPlainTextEdit;

// Indentation as the user types: Enter keeps the line's indentation, one
// step more after a line that opens a block (function, do, then, repeat,
// else), and typing end, else, elseif or until at the start of a line
// takes one step back. Keys the program types for itself (the inserted
// calls and functions) are left as they are.
class PluaIndentation : public QObject
{
    Q_OBJECT

public:
    explicit PluaIndentation(QPlainTextEdit *editor);

    void setActive(bool active) { m_active = active; }

    // The indentation a line gets after `line` (its text before the caret).
    static QString indentAfter(const QString &line);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void newLine();
    void dedentClosingWord();

    QPlainTextEdit *m_editor;
    bool m_active = true;
    bool m_typed = false; // the last change came from a key the user pressed
    // The line last stepped back and what was taken: a word that goes on
    // to be a name ("endless") gets it back.
    QTextCursor m_steppedBack;
    QString m_taken;
};
