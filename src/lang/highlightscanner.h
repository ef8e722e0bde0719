#pragma once

// The highlighter's per-line scanner and the line states it hands on.

#include <QList>
#include <QString>
#include <QTextLayout>

class QTextCharFormat;

namespace HighlightScanner {

// Line states carried from one line to the next. A long string open at the
// end of a line stores its nesting depth (1 and up): `[[` inside one nests.
// A short string ended by a backslash and a line break goes on as well.
inline constexpr int Code = 0;
inline constexpr int SingleQuoted = -2;
inline constexpr int DoubleQuoted = -3;

using Ranges = QList<QTextLayout::FormatRange>;

// Scans one line that starts in `state` and returns the state it ends in.
// With `out` set, the coloured stretches go there, in the formats indexed by
// PluaHighlighter::Kind; without, only the state is worked out.
int scanLine(const QString &text, int state, bool firstLine, const QTextCharFormat *formats,
             Ranges *out);

} // namespace HighlightScanner
