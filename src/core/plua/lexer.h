#pragma once

#include "plua/diagnostic.h"

#include <cstdint>
#include <string_view>

namespace plua {

// Token types. A single-byte token (an operator, a bracket, a stray byte)
// is its own byte value, so everything named here starts at 256.
namespace Tok {
enum : int {
    And = 256,
    Break,
    Do,
    Else,
    Elseif,
    End,
    For,
    Function,
    If,
    Local,
    Nil,
    Not,
    Or,
    Repeat,
    Return,
    Then,
    Until,
    While,
    Name,
    Concat, // ..
    Dots,   // ...
    Eq,     // ==
    Ge,     // >=
    Le,     // <=
    Ne,     // ~=
    Number,
    String,
    Eos,
};
} // namespace Tok

struct Token
{
    int type = Tok::Eos;
    std::uint32_t begin = 0; // byte offsets of the token's text
    std::uint32_t end = 0;
    std::int32_t line = 1;    // line of the first byte
    std::int32_t endLine = 1; // line of the last byte (long strings span lines)
};

// The spelling of a keyword or symbol token ("end", "==", "(").
std::string_view tokenSpelling(int type);

// The token type of a reserved word ("while" is Tok::While), or Tok::Name
// for any other word. The one list of the dialect's reserved words.
int keywordType(std::string_view word);

// Splits Plua 1 source text into tokens on demand. The text is UTF-8 (or
// plain ASCII); LF, CR LF and a lone CR each end a line, as they do once the
// program is on the handheld. Errors in the text throw SyntaxError.
class Lexer
{
public:
    explicit Lexer(std::string_view source);

    Token next();

    // Line the scanner has reached: after a token, the line it ends on; at
    // the end of the text, the last line.
    int line() const { return m_line; }

private:
    [[noreturn]] void fail(const std::string &message, std::uint32_t tokenBegin,
                           std::int32_t tokenLine, const char *token = nullptr) const;
    std::uint32_t skipNewline(std::uint32_t pos);
    Token readLongString(std::uint32_t begin);
    Token readString(std::uint32_t begin);
    Token readNumber(std::uint32_t begin);

    std::string_view m_src;
    std::uint32_t m_pos = 0;
    std::int32_t m_line = 1;
};

} // namespace plua
