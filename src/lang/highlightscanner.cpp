// The per-line scanner behind PluaHighlighter: tokens, strings and comments.
#include "highlightscanner.h"

#include "pluahighlighter.h"
#include "plua/lexer.h"

#include <QTextCharFormat>

#include <string_view>

namespace HighlightScanner {

namespace {

bool isNameStart(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_';
}

bool isNameChar(QChar c)
{
    return isNameStart(c) || (c.unicode() >= '0' && c.unicode() <= '9');
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isReserved(QStringView word)
{
    // Reserved words are ASCII and at most 8 letters: anything else is a name.
    if (word.size() < 2 || word.size() > 8)
        return false;
    char ascii[8];
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i].unicode() > 0x7f)
            return false;
        ascii[i] = static_cast<char>(word[i].unicode());
    }
    return plua::keywordType(std::string_view(ascii, static_cast<std::size_t>(word.size()))) !=
           plua::Tok::Name;
}

// Scans a long string body from `pos` with `depth` open `[[`; returns the
// position after its closing `]]` and sets depth to 0, or the line's length
// with the depth still open.
int scanLongString(const QString &text, int pos, int &depth)
{
    const int n = int(text.size());
    while (pos < n) {
        if (text[pos] == u'[' && pos + 1 < n && text[pos + 1] == u'[') {
            ++depth;
            pos += 2;
        } else if (text[pos] == u']' && pos + 1 < n && text[pos + 1] == u']') {
            pos += 2;
            if (--depth == 0)
                return pos;
        } else {
            ++pos;
        }
    }
    return n;
}

// Scans a quoted string body from `pos`; returns the position after its
// closing quote, or the line's length. `open` tells whether it goes on to the
// next line (a backslash before the line break).
int scanShortString(const QString &text, int pos, QChar quote, bool &open)
{
    const int n = int(text.size());
    open = false;
    while (pos < n) {
        const QChar c = text[pos];
        if (c == u'\\') {
            if (pos + 1 == n) {
                open = true;
                return n;
            }
            pos += 2;
        } else if (c == quote) {
            return pos + 1;
        } else {
            ++pos;
        }
    }
    return n;
}

} // namespace

// Scans one line that starts in `state` and returns the state it ends in.
// With `out` set, the coloured stretches go there, in the formats indexed by
// PluaHighlighter::Kind; without, only the state is worked out.
int scanLine(const QString &text, int state, bool firstLine, const QTextCharFormat *formats,
             Ranges *out)
{
    const int n = int(text.size());
    int pos = 0;
    // A piece of the same kind as the one before, with only blanks between,
    // joins it: blanks show no colour, and every boundary splits the line's
    // layout into one more run to shape and draw.
    PluaHighlighter::Kind lastKind{};
    const auto paint = [&](int start, int length, PluaHighlighter::Kind kind) {
        if (!out || length <= 0)
            return;
        if (!out->isEmpty() && kind == lastKind) {
            QTextLayout::FormatRange &last = out->last();
            int gap = last.start + last.length;
            while (gap < start && (text[gap] == u' ' || text[gap] == u'\t'))
                ++gap;
            if (gap == start) {
                last.length = start + length - last.start;
                return;
            }
        }
        out->append({start, length, formats[int(kind)]});
        lastKind = kind;
    };

    // A line that starts inside a string carries on with it.
    if (state > 0) {
        int depth = state;
        pos = scanLongString(text, 0, depth);
        paint(0, pos, PluaHighlighter::Kind::String);
        state = depth > 0 ? depth : Code;
    } else if (state == SingleQuoted || state == DoubleQuoted) {
        bool open = false;
        pos = scanShortString(text, 0, state == SingleQuoted ? u'\'' : u'"', open);
        paint(0, pos, PluaHighlighter::Kind::String);
        state = open ? state : Code;
    } else if (firstLine && text.startsWith(u'#')) {
        // The program loader skips a first line that begins with '#'.
        paint(0, n, PluaHighlighter::Kind::Comment);
        pos = n;
    }

    QChar previous; // last character of the token before, to tell a.f from f
    while (pos < n && state == Code) {
        const QChar c = text[pos];
        if (c == u' ' || c == u'\t') {
            ++pos;
            continue;
        }
        const int start = pos;
        if (c == u'-' && pos + 1 < n && text[pos + 1] == u'-') {
            paint(pos, n - pos, PluaHighlighter::Kind::Comment);
            pos = n;
        } else if (c == u'[' && pos + 1 < n && text[pos + 1] == u'[') {
            int depth = 1;
            pos = scanLongString(text, pos + 2, depth);
            paint(start, pos - start, PluaHighlighter::Kind::String);
            if (depth > 0)
                state = depth;
        } else if (c == u'"' || c == u'\'') {
            bool open = false;
            pos = scanShortString(text, pos + 1, c, open);
            paint(start, pos - start, PluaHighlighter::Kind::String);
            if (open)
                state = c == u'"' ? DoubleQuoted : SingleQuoted;
        } else if (isDigit(c) || (c == u'.' && pos + 1 < n && isDigit(text[pos + 1]))) {
            while (pos < n && (isDigit(text[pos]) || text[pos] == u'.'))
                ++pos;
            if (pos < n && (text[pos] == u'e' || text[pos] == u'E')) {
                ++pos;
                if (pos < n && (text[pos] == u'+' || text[pos] == u'-'))
                    ++pos;
                while (pos < n && isDigit(text[pos]))
                    ++pos;
            }
            paint(start, pos - start, PluaHighlighter::Kind::Number);
        } else if (isNameStart(c)) {
            while (pos < n && isNameChar(text[pos]))
                ++pos;
            if (out) {
                const QStringView word = QStringView(text).mid(start, pos - start);
                if (isReserved(word))
                    paint(start, pos - start, PluaHighlighter::Kind::Keyword);
                else if (previous != u'.' && previous != u':' &&
                         PluaHighlighter::libraryNames().contains(word.toString()))
                    paint(start, pos - start, PluaHighlighter::Kind::Library);
            }
        } else if (c == u'%') {
            // '%' only ever prefixes an upvalue: %name.
            ++pos;
            while (pos < n && (text[pos] == u' ' || text[pos] == u'\t'))
                ++pos;
            if (pos < n && isNameStart(text[pos])) {
                while (pos < n && isNameChar(text[pos]))
                    ++pos;
                paint(start, pos - start, PluaHighlighter::Kind::Upvalue);
            }
        } else {
            ++pos;
        }
        previous = text[pos - 1];
    }
    return state;
}

} // namespace HighlightScanner
