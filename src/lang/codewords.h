#pragma once

#include <QStringView>

#include <algorithm>

// The words of one line of Plua code as the block-aware helpers (indentation,
// matching marks) read it: names, strings and single other characters, with
// white space and a "--" comment left out. A string runs to its closing
// quote (a backslash escapes the next character) or the line's end.
namespace CodeWords {

enum class Kind { Name, String, Other };

// Calls visit(kind, word, at) for each word of `line` in order; `at` is the
// word's index in the line.
template <class Visit> void forEach(QStringView line, Visit &&visit)
{
    for (qsizetype i = 0; i < line.size();) {
        const QChar c = line[i];
        if (c == u'-' && i + 1 < line.size() && line[i + 1] == u'-')
            return;
        if (c == u'"' || c == u'\'') {
            const qsizetype start = i;
            for (++i; i < line.size() && line[i] != c; ++i) {
                if (line[i] == u'\\')
                    ++i;
            }
            i = std::min(i + 1, line.size());
            visit(Kind::String, line.sliced(start, i - start), start);
            continue;
        }
        if (c.isLetter() || c == u'_') {
            qsizetype end = i;
            while (end < line.size() && (line[end].isLetterOrNumber() || line[end] == u'_'))
                ++end;
            visit(Kind::Name, line.sliced(i, end - i), i);
            i = end;
            continue;
        }
        if (!c.isSpace())
            visit(Kind::Other, line.sliced(i, 1), i);
        ++i;
    }
}

} // namespace CodeWords
