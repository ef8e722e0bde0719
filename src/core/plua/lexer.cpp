#include "plua/lexer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>

namespace plua {

namespace {

constexpr std::array<std::string_view, 18> Keywords = {
    "and",   "break", "do",  "else", "elseif", "end",    "for",  "function", "if",
    "local", "nil",   "not", "or",   "repeat", "return", "then", "until",    "while",
};

bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Names are ASCII only: the handheld's compiler classifies bytes in the C locale.
bool isNameStart(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isNameChar(unsigned char c)
{
    return isNameStart(c) || isDigit(c);
}

} // namespace

int keywordType(std::string_view word)
{
    if (word.size() < 2 || word.size() > 8)
        return Tok::Name;
    for (std::size_t i = 0; i < Keywords.size(); ++i) {
        if (Keywords[i] == word)
            return Tok::And + static_cast<int>(i);
    }
    return Tok::Name;
}

namespace {

// Whether a scanned number is complete: at least one mantissa digit and, when
// an exponent marker is there, exponent digits after it.
bool wellFormedNumber(std::string_view text)
{
    std::size_t i = 0;
    int digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    return i == text.size();
}

} // namespace

std::string_view tokenSpelling(int type)
{
    static const std::array<std::string_view, 10> Others = {
        "<name>", "..", "...", "==", ">=", "<=", "~=", "<number>", "<string>", "<eof>"};
    static const std::array<char, 256> Bytes = [] {
        std::array<char, 256> bytes{};
        for (int i = 0; i < 256; ++i)
            bytes[i] = static_cast<char>(i);
        return bytes;
    }();
    if (type >= Tok::And && type < Tok::Name)
        return Keywords[type - Tok::And];
    if (type >= Tok::Name && type <= Tok::Eos)
        return Others[type - Tok::Name];
    if (type >= 0 && type < 256)
        return std::string_view(&Bytes[type], 1);
    return "?";
}

int columnOf(std::string_view source, std::size_t offset)
{
    std::size_t start = offset;
    while (start > 0 && source[start - 1] != '\n' && source[start - 1] != '\r')
        --start;
    int column = 1;
    for (std::size_t i = start; i < offset; ++i) {
        const auto c = static_cast<unsigned char>(source[i]);
        if ((c & 0xC0) != 0x80)
            ++column;
    }
    return column;
}

std::string lastTokenRead(const Diagnostic &d, std::string_view chunk)
{
    return d.message + ";\n  last token read: `" + d.token + "' at line " + std::to_string(d.line) +
           " in " + std::string(chunk);
}

Lexer::Lexer(std::string_view source) : m_src(source)
{
    // A first line starting with '#' is skipped (a Unix "#!" line).
    if (!m_src.empty() && m_src[0] == '#') {
        while (m_pos < m_src.size() && m_src[m_pos] != '\n' && m_src[m_pos] != '\r')
            ++m_pos;
    }
}

void Lexer::fail(const std::string &message, std::uint32_t tokenBegin, std::int32_t tokenLine,
                 const char *token) const
{
    // Point at the token when it starts on the reported line, else at the
    // place the scanner stopped.
    const std::size_t stop = std::min<std::size_t>(m_pos, m_src.size());
    const std::size_t at = tokenLine == m_line ? tokenBegin : stop;
    // The compiler names what it had read of the token when it stopped.
    std::string read =
        token ? std::string(token)
              : std::string(m_src.substr(tokenBegin,
                                         std::min<std::size_t>(stop - tokenBegin, LastTokenLimit)));
    throw SyntaxError{Diagnostic{m_line, columnOf(m_src, at), message, std::move(read)}};
}

// Passes one line end (LF, CR LF or CR) at `pos` and counts the line.
std::uint32_t Lexer::skipNewline(std::uint32_t pos)
{
    if (m_src[pos] == '\r' && pos + 1 < m_src.size() && m_src[pos + 1] == '\n')
        ++pos;
    ++m_line;
    return pos + 1;
}

Token Lexer::next()
{
    const auto size = static_cast<std::uint32_t>(m_src.size());
    for (;;) {
        if (m_pos >= size)
            return Token{Tok::Eos, size, size, m_line, m_line};
        const std::uint32_t begin = m_pos;
        const auto c = static_cast<unsigned char>(m_src[m_pos]);
        const auto single = [&](int type, std::uint32_t length) {
            m_pos += length;
            return Token{type, begin, m_pos, m_line, m_line};
        };
        const unsigned char following =
            m_pos + 1 < size ? static_cast<unsigned char>(m_src[m_pos + 1]) : 0;
        switch (c) {
        case ' ':
        case '\t':
            ++m_pos;
            continue;
        case '\n':
        case '\r':
            m_pos = skipNewline(m_pos);
            continue;
        case '$':
            fail("unexpected `$' (pragmas are no longer supported)", begin, m_line, "$");
        case '-':
            if (following != '-')
                return single('-', 1);
            while (m_pos < size && m_src[m_pos] != '\n' && m_src[m_pos] != '\r')
                ++m_pos;
            continue;
        case '[':
            if (following != '[')
                return single('[', 1);
            return readLongString(begin);
        case '=':
            return following == '=' ? single(Tok::Eq, 2) : single('=', 1);
        case '<':
            return following == '=' ? single(Tok::Le, 2) : single('<', 1);
        case '>':
            return following == '=' ? single(Tok::Ge, 2) : single('>', 1);
        case '~':
            return following == '=' ? single(Tok::Ne, 2) : single('~', 1);
        case '"':
        case '\'':
            return readString(begin);
        case '.':
            if (following == '.') {
                if (m_pos + 2 < size && m_src[m_pos + 2] == '.')
                    return single(Tok::Dots, 3);
                return single(Tok::Concat, 2);
            }
            if (!isDigit(following))
                return single('.', 1);
            return readNumber(begin);
        default:
            break;
        }
        if (isDigit(c))
            return readNumber(begin);
        if (isNameStart(c)) {
            while (m_pos < size && isNameChar(static_cast<unsigned char>(m_src[m_pos])))
                ++m_pos;
            const int type = keywordType(m_src.substr(begin, m_pos - begin));
            return Token{type, begin, m_pos, m_line, m_line};
        }
        if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", c);
            fail("invalid control char", begin, m_line, code);
        }
        // Any other byte is a token of its own that no rule accepts.
        return single(c, 1);
    }
}

Token Lexer::readLongString(std::uint32_t begin)
{
    const std::int32_t startLine = m_line;
    const auto size = static_cast<std::uint32_t>(m_src.size());
    std::uint32_t p = begin + 2;
    int nesting = 0;
    for (;;) {
        if (p >= size) {
            m_pos = p;
            fail("unfinished long string", begin, startLine);
        }
        const char c = m_src[p];
        if (c == '[') {
            ++p;
            if (p < size && m_src[p] == '[') {
                ++nesting;
                ++p;
            }
        } else if (c == ']') {
            ++p;
            if (p < size && m_src[p] == ']') {
                ++p;
                if (nesting == 0)
                    break;
                --nesting;
            }
        } else if (c == '\n' || c == '\r') {
            p = skipNewline(p);
        } else {
            ++p;
        }
    }
    m_pos = p;
    return Token{Tok::String, begin, p, startLine, m_line};
}

Token Lexer::readString(std::uint32_t begin)
{
    const std::int32_t startLine = m_line;
    const auto size = static_cast<std::uint32_t>(m_src.size());
    const char delimiter = m_src[begin];
    std::uint32_t p = begin + 1;
    for (;;) {
        if (p >= size || m_src[p] == '\n' || m_src[p] == '\r') {
            m_pos = p;
            fail("unfinished string", begin, startLine);
        }
        const char c = m_src[p];
        if (c == delimiter)
            break;
        if (c != '\\') {
            ++p;
            continue;
        }
        const std::uint32_t escape = p;
        ++p; // the backslash
        if (p >= size) {
            m_pos = p;
            fail("unfinished string", begin, startLine);
        }
        const char escaped = m_src[p];
        if (escaped == '\n' || escaped == '\r') {
            p = skipNewline(p);
        } else if (isDigit(escaped)) {
            int value = 0;
            int count = 0;
            do {
                value = 10 * value + (m_src[p] - '0');
                ++p;
            } while (++count < 3 && p < size && isDigit(m_src[p]));
            if (value > 255) {
                // The compiler names the string read up to the escape.
                m_pos = escape;
                fail("escape sequence too large", begin, startLine);
            }
        } else {
            ++p; // \n, \t, ... or the character itself
        }
    }
    m_pos = p + 1;
    return Token{Tok::String, begin, m_pos, startLine, m_line};
}

Token Lexer::readNumber(std::uint32_t begin)
{
    const auto size = static_cast<std::uint32_t>(m_src.size());
    std::uint32_t p = begin;
    if (m_src[p] == '.')
        ++p;
    while (p < size && isDigit(m_src[p]))
        ++p;
    if (p < size && m_src[p] == '.') {
        ++p;
        if (p < size && m_src[p] == '.') {
            m_pos = p + 1;
            fail("ambiguous syntax (decimal point x string concatenation)", begin, m_line);
        }
    }
    while (p < size && isDigit(m_src[p]))
        ++p;
    if (p < size && (m_src[p] == 'e' || m_src[p] == 'E')) {
        ++p;
        if (p < size && (m_src[p] == '+' || m_src[p] == '-'))
            ++p;
        while (p < size && isDigit(m_src[p]))
            ++p;
    }
    m_pos = p;
    const std::string_view text = m_src.substr(begin, p - begin);
    if (!wellFormedNumber(text))
        fail("malformed number", begin, m_line);
    return Token{Tok::Number, begin, p, m_line, m_line};
}

} // namespace plua
