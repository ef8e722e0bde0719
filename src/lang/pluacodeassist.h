#pragma once

#include <QObject>
#include <QString>

class QColor;
class QCompleter;
class QLabel;
class QPlainTextEdit;
class QuietTimer;

// Help on the catalogue's functions where the code is written: hovering over
// a function's name shows its help text (the help pane's text), and so does
// resting the caret on it; inside a call such as `pbox(` the function's
// signature shows above the line; Ctrl+Space offers the functions that start
// with the name at the caret.
class PluaCodeAssist : public QObject
{
    Q_OBJECT

public:
    // Quiet time after the caret moves before its help shows.
    static constexpr int RestMs = 250;

    explicit PluaCodeAssist(QPlainTextEdit *editor);

    void setActive(bool active);
    bool isActive() const { return m_active; }

    // The catalogue name `position` is on or just after ("pbox"), or empty.
    QString nameAt(int position) const;
    // The catalogue function whose call's parentheses, open on the caret's
    // line, enclose `position`; empty when none.
    QString callAt(int position) const;

    // The help text or signature shown at the caret now; empty when hidden.
    QString caretTip() const;
    // The tip's background and text (the help pane's).
    void setTipColours(const QColor &background, const QColor &text);
    QLabel *caretTipLabel() const { return m_tip; }
    QCompleter *completer() const { return m_completer; }

    // The signature that begins a help text: "pbox(x, y, w, h [,c])".
    static QString signatureOf(const QString &helpText);
    // The help pane's text for a catalogue name ("pbox").
    static QString helpFor(const QString &name);

    // Opens the completion list for the name before the caret.
    void complete();

private:
    void caretMoved();
    void showCaretTip();
    void insertCompletion(const QString &listText);
    void refreshCompletion();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QPlainTextEdit *m_editor;
    QuietTimer *m_rest;
    QLabel *m_tip;
    QCompleter *m_completer;
    bool m_active = true;
};
