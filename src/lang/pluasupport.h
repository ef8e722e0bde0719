#pragma once

#include <QObject>

class CaretMarks;
class EditorTextEdit;
class LineNumberMargin;
class PluaCodeAssist;
class PluaDiagnostics;
class PluaHighlighter;
class PluaIndentation;
class QStatusBar;

// The Plua 1 language features of one editor: highlighting, checking as it
// is typed, help on the catalogue's functions and line numbers. They belong
// to the editor and go with it.
class PluaSupport : public QObject
{
    Q_OBJECT

public:
    PluaSupport(EditorTextEdit *editor, QStatusBar *statusBar);

    // Turns highlighting, checking and the help at the caret on or off
    // together; the line numbers stay.
    void setActive(bool active);
    bool isActive() const { return m_active; }

    PluaHighlighter *highlighter() const { return m_highlighter; }
    PluaDiagnostics *diagnostics() const { return m_diagnostics; }
    PluaCodeAssist *codeAssist() const { return m_assist; }
    LineNumberMargin *margin() const { return m_margin; }

    CaretMarks *caretMarks() const { return m_caretMarks; }
    PluaIndentation *indentation() const { return m_indentation; }

    // The support attached to `editor`, or null.
    static PluaSupport *of(const EditorTextEdit *editor);

private:
    // Takes every colour from the editor's palette: again when it changes.
    void applyColours();
    bool eventFilter(QObject *watched, QEvent *event) override;

    EditorTextEdit *m_editor;
    PluaHighlighter *m_highlighter;
    PluaDiagnostics *m_diagnostics;
    PluaCodeAssist *m_assist;
    LineNumberMargin *m_margin;
    CaretMarks *m_caretMarks;
    PluaIndentation *m_indentation;
    bool m_active = true;
};

// Gives `editor` the Plua 1 language features; a fault's message goes in a
// field of its own in `statusBar` (may be null).
PluaSupport *attachPluaSupport(EditorTextEdit *editor, QStatusBar *statusBar);
