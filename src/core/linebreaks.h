#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Line breaks as the editor meets them: CR LF from its own files, LF and CR
// from other systems, and the Unicode line and paragraph separators from
// pasted or rich text. Every one of them ends a line.
namespace LineBreaks {

inline bool isLineBreak(char16_t c)
{
    return c == u'\r' || c == u'\n' || c == u'\u2028' || c == u'\u2029';
}

// How many characters the line break at `text[i]` takes: 2 for CR LF, 1 for
// any other break, 0 when `text[i]` is no line break.
inline qsizetype breakLength(QStringView text, qsizetype i)
{
    if (!isLineBreak(text[i].unicode()))
        return 0;
    return text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
}

// The text with every line break turned into "\n".
QString normalized(QString text);

// The lines of the text; a text without breaks is one line.
QStringList lines(const QString &text);

} // namespace LineBreaks
