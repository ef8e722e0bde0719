// The translation's entry points, its text edits and its lexical changes.
#include "plua/translator.h"

#include "plua/parser.h"
#include "plua/translatorstate.h"

#include <algorithm>

// The translation edits the program's own text: every token stays where it
// was, so each statement keeps its line and an untouched construct reads as
// written. The syntax tree says where the two languages differ; the edits
// insert, replace or blank out text at byte offsets of the source.

namespace plua {

namespace {

// LF, CR LF and a lone CR all end a line; Lua 5.1 would count LF CR as one
// line end, so every line end becomes LF before anything else.
std::string normalizedLineEnds(std::string_view source)
{
    std::string out;
    out.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\r') {
            out += '\n';
            if (i + 1 < source.size() && source[i + 1] == '\n')
                ++i;
        } else {
            out += source[i];
        }
    }
    return out;
}

// A long string as a short one: the same bytes, with a backslash before each
// line end so that the string still spans the same lines.
std::string shortStringOf(std::string_view longString)
{
    const std::string_view body = longString.substr(2, longString.size() - 4);
    std::string out = "\"";
    for (const char c : body) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\\n";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

// A prefix for the names the translation adds that no name of the program
// starts with.
std::string uniquePrefix(const std::vector<Token> &tokens, std::string_view source)
{
    std::string prefix = "_P";
    for (bool clash = true; clash;) {
        clash = false;
        for (const Token &t : tokens) {
            if (t.type == Tok::Name &&
                source.substr(t.begin, t.end - t.begin).substr(0, prefix.size()) == prefix) {
                clash = true;
                prefix += '_';
                break;
            }
        }
    }
    return prefix;
}

} // namespace

namespace TranslatorInternals {

int Translator::child(int i, int n) const
{
    int c = node(i).firstChild;
    while (c != -1 && n-- > 0)
        c = node(c).next;
    return c;
}

std::size_t Translator::tokenFrom(std::uint32_t pos) const
{
    const auto it = std::lower_bound(m_tokens.begin(), m_tokens.end(), pos,
                                     [](const Token &t, std::uint32_t p) { return t.begin < p; });
    return static_cast<std::size_t>(it - m_tokens.begin());
}

std::size_t Translator::tokenBefore(std::uint32_t pos) const
{
    const auto it = std::upper_bound(m_tokens.begin(), m_tokens.end(), pos,
                                     [](std::uint32_t p, const Token &t) { return p < t.end; });
    return static_cast<std::size_t>(it - m_tokens.begin()) - 1;
}

void Translator::replace(std::uint32_t begin, std::uint32_t end, std::string text)
{
    for (std::uint32_t i = begin; i < end; ++i) {
        if (m_src[i] == '\n')
            text += '\n';
    }
    m_edits.push_back({begin, end - begin, std::move(text)});
}

// A Name read or written as a variable.
std::string Translator::variable(int nameNode) const
{
    const std::string_view name = text(nameNode);
    if (!reservedIn51(name))
        return std::string(name);
    if (node(nameNode).flags & NodeFlag::Local)
        return m_p + "k_" + std::string(name);
    return m_p + ".G[\"" + std::string(name) + "\"]";
}

void Translator::renameLocal(int nameNode)
{
    if (reservedIn51(text(nameNode)))
        replace(node(nameNode).begin, node(nameNode).end, variable(nameNode));
}

// Edits that do not depend on the tree: comments that Lua 5.1 would read as
// block comments, long strings, numbers that run into the next token, and
// the skipped first line.
void Translator::lexical()
{
    // "-- " and not "--": a first line "#[[" must not open a long comment.
    if (!m_src.empty() && m_src[0] == '#')
        replace(0, 1, "-- ");
    std::uint32_t gapBegin = 0;
    for (std::size_t i = 0; i <= m_tokens.size(); ++i) {
        const std::uint32_t gapEnd =
            i < m_tokens.size() ? m_tokens[i].begin : static_cast<std::uint32_t>(m_src.size());
        // Comments run from "--" to the line end inside the gap.
        for (std::uint32_t p = gapBegin; p + 1 < gapEnd; ++p) {
            if (m_src[p] == '-' && m_src[p + 1] == '-') {
                if (p + 2 < gapEnd && m_src[p + 2] == '[')
                    insert(p + 2, " ");
                while (p < gapEnd && m_src[p] != '\n')
                    ++p;
            }
        }
        if (i == m_tokens.size())
            break;
        const Token &t = m_tokens[i];
        if (t.type == Tok::String && m_src[t.begin] == '[')
            m_edits.push_back(
                {t.begin, t.end - t.begin, shortStringOf(m_src.substr(t.begin, t.end - t.begin))});
        if (t.type == Tok::Number && t.end < m_src.size() &&
            (isNameByte(m_src[t.end]) || m_src[t.end] == '.'))
            insert(t.end, " ");
        gapBegin = t.end;
    }
}

std::string Translator::run()
{
    // The program runs as a function inside the chunk, so that the helper
    // table takes none of its 200 locals.
    const std::string check = m_entryCheckLines ? entryCheck() : std::string();
    insert(0, "local " + m_p + " = ...; return (function()" + check + " ");
    m_tagOrder =
        m_tagOrder || std::any_of(m_tokens.begin(), m_tokens.end(), [&](const Token &t) {
            const std::string_view name = m_src.substr(t.begin, t.end - t.begin);
            return t.type == Tok::Name && (name == "settagmethod" || name == "copytagmethods");
        });
    lexical();
    m_functions.emplace_back();
    m_functions.back().tight = localsOf(child(0, 0), 0) > MaxLocals51;
    block(child(0, 0));
    // On the last line, unless that line ends in a comment (or is the
    // skipped first line).
    const std::string_view tail = m_src.substr(m_tokens.empty() ? 0 : m_tokens.back().end);
    const std::size_t lineEnd = tail.rfind('\n');
    const std::string_view lastLine =
        lineEnd == std::string_view::npos ? tail : tail.substr(lineEnd + 1);
    const bool open = lastLine.find("--") != std::string_view::npos ||
                      (m_tokens.empty() && lineEnd == std::string_view::npos && !m_src.empty() &&
                       m_src[0] == '#');
    insert(static_cast<std::uint32_t>(m_src.size()), open ? "\nend)()" : " end)()");

    // At one offset, insertions come before the replacement that starts there.
    std::stable_sort(m_edits.begin(), m_edits.end(), [](const Edit &a, const Edit &b) {
        return a.pos < b.pos || (a.pos == b.pos && a.length == 0 && b.length > 0);
    });
    std::string out;
    out.reserve(m_src.size() + m_src.size() / 4 + 64);
    std::uint32_t pos = 0;
    for (const Edit &e : m_edits) {
        if (e.pos < pos)
            continue; // inside a replaced range (never produced; kept safe)
        out.append(m_src.substr(pos, e.pos - pos));
        out += e.text;
        pos = e.pos + e.length;
    }
    out.append(m_src.substr(pos));
    return out;
}

std::vector<int> Translator::swappedOrderLines() const
{
    std::vector<int> lines;
    for (const auto &[line, swapped] : m_orderLines) {
        if (swapped)
            lines.push_back(line);
    }
    return lines;
}

} // namespace TranslatorInternals

Translation translate(std::string_view source, const std::vector<int> *entryCheckLines,
                      bool tagMethods)
{
    Translation result;
    const std::string text = normalizedLineEnds(source);
    ParseResult parsed = parse(text, ParseMode::Tree);
    if (!parsed.ok()) {
        result.error = parsed.error;
        return result;
    }
    std::vector<Token> tokens;
    Lexer lexer(text);
    for (Token t = lexer.next(); t.type != Tok::Eos; t = lexer.next())
        tokens.push_back(t);
    result.prefix = uniquePrefix(tokens, text);
    TranslatorInternals::Translator translator(text, parsed.tree, std::move(tokens), result.prefix,
                                               entryCheckLines, tagMethods);
    result.code = translator.run();
    result.swappedOrderLines = translator.swappedOrderLines();
    for (const auto &[line, end] : translator.callEnds()) {
        if (end > 0)
            result.callLines.emplace_back(line, end);
    }
    return result;
}

std::string programMessage(std::string message, const std::string &prefix)
{
    if (prefix.empty())
        return message;
    const std::string upvalue = "'" + prefix + "u_";
    const std::string renamed = "'" + prefix + "k_";
    for (std::size_t p = message.find(upvalue); p != std::string::npos;
         p = message.find(upvalue, p))
        message.replace(p, upvalue.size(), "'%");
    for (std::size_t p = message.find(renamed); p != std::string::npos;
         p = message.find(renamed, p))
        message.replace(p, renamed.size(), "'");
    return message;
}

} // namespace plua
