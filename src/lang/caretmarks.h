#pragma once

#include <QColor>
#include <QObject>

class EditorTextEdit;

// Marks under the text around the caret: the caret's line across the view.
class CaretMarks : public QObject
{
    Q_OBJECT

public:
    explicit CaretMarks(EditorTextEdit *editor);

    // The caret line's colour and the colour of matching marks.
    void setColours(const QColor &caretLine, const QColor &match);

private:
    void update();

    EditorTextEdit *m_editor;
    QColor m_caretLine;
    QColor m_match;
};
