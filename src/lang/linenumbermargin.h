#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QTextCursor>
#include <QWidget>

#include <functional>

class EditorTextEdit;

// A margin left of the editor's text with the number of each line, as wide
// as the largest number needs. A line can be marked (a fault found there):
// its number shows on a red mark, with the message as the mark's tool tip.
// Lines may hold breakpoints (a click on the number toggles one): they show
// as a round mark, stay with their lines as the text is edited, and the line
// a paused program stands at shows in the selection's colours.
class LineNumberMargin : public QWidget
{
    Q_OBJECT

public:
    explicit LineNumberMargin(EditorTextEdit *editor);

    // The width the editor's line count needs.
    int neededWidth() const;
    // Marks line `line` (from 1); 0 clears the mark.
    void setMarkedLine(int line, const QString &message);
    int markedLine() const { return m_markedLine; }
    // The margin's background and numbers, and a marked number's fill and
    // text.
    void setColours(const QColor &background, const QColor &text, const QColor &markFill,
                    const QColor &markText);
    QColor backgroundColour() const { return m_background; }
    QColor textColour() const { return m_text; }
    QColor markFillColour() const { return m_markFill; }
    QColor markTextColour() const { return m_markText; }

    // Breakpoints, from 1, sorted.
    QList<int> breakpoints() const;
    void setBreakpoints(const QList<int> &lines);
    void toggleBreakpoint(int line);
    // The tool tip of a breakpoint's line (where the program will stop).
    void setBreakpointTip(std::function<QString(int line)> tip)
    {
        m_breakpointTip = std::move(tip);
    }
    // The line a paused program stands at; 0 when none.
    void setPausedLine(int line);
    int pausedLine() const { return m_pausedLine; }

    // Lines shown, from 1, with their top in the margin's coordinates.
    struct Row
    {
        int line;
        int top;
        int height;
    };
    QList<Row> visibleRows() const;

signals:
    void breakpointsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateWidth();
    void placeBesideText();

    EditorTextEdit *m_editor;
    int m_digits = 0;
    int m_markedLine = 0;
    QString m_message;
    QColor m_background;
    QColor m_text;
    QColor m_markFill;
    QColor m_markText;
    // A cursor at the start of each breakpoint's line moves with the line.
    QList<QTextCursor> m_breakpoints;
    std::function<QString(int)> m_breakpointTip;
    int m_pausedLine = 0;
};
