#include "pluahighlighter.h"

#include "catalogue.h"

#include <QColor>
#include <QFont>

namespace {

// Line states carried from one line to the next. A long string open at the
// end of a line stores its nesting depth (1 and up): `[[` inside one nests.
// A short string ended by a backslash and a line break goes on as well.
constexpr int Code = 0;
constexpr int SingleQuoted = -2;
constexpr int DoubleQuoted = -3;

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
    static const QSet<QString> words = {
        QStringLiteral("and"),   QStringLiteral("break"),    QStringLiteral("do"),
        QStringLiteral("else"),  QStringLiteral("elseif"),   QStringLiteral("end"),
        QStringLiteral("for"),   QStringLiteral("function"), QStringLiteral("if"),
        QStringLiteral("local"), QStringLiteral("nil"),      QStringLiteral("not"),
        QStringLiteral("or"),    QStringLiteral("repeat"),   QStringLiteral("return"),
        QStringLiteral("then"),  QStringLiteral("until"),    QStringLiteral("while"),
    };
    return words.contains(word.toString());
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

PluaHighlighter::PluaHighlighter(QTextDocument *parent) : QSyntaxHighlighter(parent)
{
    auto &keyword = m_formats[int(Kind::Keyword)];
    keyword.setForeground(QColor(0, 0, 160));
    m_formats[int(Kind::String)].setForeground(QColor(160, 0, 0));
    auto &comment = m_formats[int(Kind::Comment)];
    comment.setForeground(QColor(0, 128, 0));
    comment.setFontItalic(true);
    m_formats[int(Kind::Number)].setForeground(QColor(0, 128, 128));
    m_formats[int(Kind::Upvalue)].setForeground(QColor(128, 0, 128));
    auto &library = m_formats[int(Kind::Library)];
    library.setForeground(QColor(176, 96, 0));
    library.setFontUnderline(false);
}

QTextCharFormat PluaHighlighter::format(Kind kind) const
{
    return m_formats[int(kind)];
}

const QSet<QString> &PluaHighlighter::libraryNames()
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const Catalogue::Entry &entry : Catalogue::entries()) {
            const QString text = QString::fromLatin1(entry.listText);
            set.insert(text.left(text.indexOf(u'(')));
        }
        return set;
    }();
    return names;
}

void PluaHighlighter::paint(int start, int length, Kind kind)
{
    if (length > 0)
        setFormat(start, length, m_formats[int(kind)]);
}

void PluaHighlighter::highlightBlock(const QString &text)
{
    const int n = int(text.size());
    int state = previousBlockState();
    if (state == -1)
        state = Code;
    int pos = 0;

    // A line that starts inside a string carries on with it.
    if (state > 0) {
        int depth = state;
        pos = scanLongString(text, 0, depth);
        paint(0, pos, Kind::String);
        state = depth > 0 ? depth : Code;
    } else if (state == SingleQuoted || state == DoubleQuoted) {
        bool open = false;
        pos = scanShortString(text, 0, state == SingleQuoted ? u'\'' : u'"', open);
        paint(0, pos, Kind::String);
        state = open ? state : Code;
    } else if (currentBlock().blockNumber() == 0 && text.startsWith(u'#')) {
        // The program loader skips a first line that begins with '#'.
        paint(0, n, Kind::Comment);
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
            paint(pos, n - pos, Kind::Comment);
            pos = n;
        } else if (c == u'[' && pos + 1 < n && text[pos + 1] == u'[') {
            int depth = 1;
            pos = scanLongString(text, pos + 2, depth);
            paint(start, pos - start, Kind::String);
            if (depth > 0)
                state = depth;
        } else if (c == u'"' || c == u'\'') {
            bool open = false;
            pos = scanShortString(text, pos + 1, c, open);
            paint(start, pos - start, Kind::String);
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
            paint(start, pos - start, Kind::Number);
        } else if (isNameStart(c)) {
            while (pos < n && isNameChar(text[pos]))
                ++pos;
            const QStringView word = QStringView(text).mid(start, pos - start);
            if (isReserved(word))
                paint(start, pos - start, Kind::Keyword);
            else if (previous != u'.' && previous != u':' &&
                     libraryNames().contains(word.toString()))
                paint(start, pos - start, Kind::Library);
        } else if (c == u'%') {
            // '%' only ever prefixes an upvalue: %name.
            ++pos;
            while (pos < n && (text[pos] == u' ' || text[pos] == u'\t'))
                ++pos;
            if (pos < n && isNameStart(text[pos])) {
                while (pos < n && isNameChar(text[pos]))
                    ++pos;
                paint(start, pos - start, Kind::Upvalue);
            }
        } else {
            ++pos;
        }
        previous = text[pos - 1];
    }
    setCurrentBlockState(state);
}
