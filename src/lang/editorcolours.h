#pragma once

#include <QColor>
#include <QList>

class QPalette;

// The editor's colours, worked out from the palette in use so that every
// text and mark stays readable on a light or a dark desktop: each reaches at
// least MinContrast against every background it is drawn on.
namespace EditorColours {

// Contrast the colours must reach (the usual rule for normal-size text).
inline constexpr double MinContrast = 4.5;

// Relative luminance (0 black .. 1 white) and the contrast ratio of two
// colours (1 .. 21), as accessibility guidelines define them.
double luminance(const QColor &colour);
double contrast(const QColor &a, const QColor &b);

// Whether the palette draws light text on a dark base.
bool isDark(const QPalette &palette);

// `wanted`, moved towards black or white only as far as it must go to reach
// MinContrast against each of `backgrounds`.
QColor readable(const QColor &wanted, const QList<QColor> &backgrounds);

// One colour per kind of code (in PluaHighlighter::Kind's order).
inline constexpr int SyntaxKinds = 6;

struct Set
{
    QColor syntax[SyntaxKinds];
    QColor base;       // the editor's background
    QColor caretLine;  // the caret's line, under the text
    QColor match;      // a matching bracket or block keyword, under the text
    QColor errorMark;  // the wavy line under a fault
    QColor statusBar;  // the status bar's background
    QColor errorText;  // a fault's message in the status bar
    QColor margin;     // the line-number margin's background
    QColor marginText; // its numbers
    QColor markFill;   // a faulty line's number is drawn on this
    QColor markText;   // in this colour
    QColor helpBase;   // the help pane and the caret tip
    QColor helpText;
};

Set forPalette(const QPalette &palette);

} // namespace EditorColours
