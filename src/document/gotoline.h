#pragma once

#include <QString>

class QPlainTextEdit;

// Moving the caret to a line by its number, as the status bar counts lines.
namespace GoToLine {

// The line that the typed text names in a text of `lineCount` lines, or 0
// when it names none (not a whole number, or outside 1 to lineCount).
int parse(const QString &typed, int lineCount);

// How the line is brought into view: in the middle of the editor, or
// scrolled no more than needed (for a line that moves step by step).
enum class Scroll { Centre, JustVisible };

// Puts the caret at the start of `line` (counted from 1) and scrolls to it;
// a line past the end goes to the last line.
void moveTo(QPlainTextEdit &editor, int line, Scroll scroll = Scroll::Centre);

} // namespace GoToLine
