#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

class EditorTextEdit;

// A margin left of the editor's text with the number of each line, as wide
// as the largest number needs. A line can be marked (a fault found there):
// its number shows on a red mark, with the message as the mark's tool tip.
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

    // Lines shown, from 1, with their top in the margin's coordinates.
    struct Row
    {
        int line;
        int top;
        int height;
    };
    QList<Row> visibleRows() const;

protected:
    void paintEvent(QPaintEvent *event) override;
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
};
