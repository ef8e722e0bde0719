// The parser's entry point and its tokens, errors, stack, scopes and nodes.
#include "plua/parserstate.h"

namespace plua {

namespace ParserInternals {

namespace {

std::string quoted(std::string_view text)
{
    return "`" + std::string(text) + "'";
}

} // namespace

// ---------------------------------------------------------------- tokens

void Parser::next()
{
    m_prevEnd = m_tok.end;
    if (m_hasAhead) {
        m_tok = m_ahead;
        m_hasAhead = false;
    } else {
        m_tok = m_lexer.next();
    }
}

void Parser::lookahead()
{
    m_ahead = m_lexer.next();
    m_hasAhead = true;
}

bool Parser::optional(int type)
{
    if (m_tok.type != type)
        return false;
    next();
    return true;
}

void Parser::check(int type)
{
    if (m_tok.type != type)
        failExpected(type);
    next();
}

void Parser::checkMatch(int what, int who, int where)
{
    if (m_tok.type != what) {
        if (where == currentLine())
            failExpected(what);
        fail(quoted(tokenSpelling(what)) + " expected (to close " + quoted(tokenSpelling(who)) +
             " at line " + std::to_string(where) + ")");
    }
    next();
}

Token Parser::checkName()
{
    if (m_tok.type != Tok::Name)
        fail("<name> expected");
    const Token name = m_tok;
    next();
    return name;
}

bool Parser::isIn() const
{
    return m_tok.type == Tok::Name && m_source.substr(m_tok.begin, m_tok.end - m_tok.begin) == "in";
}

// ---------------------------------------------------------------- errors

std::string Parser::describeCurrent() const
{
    if (m_tok.type == Tok::Eos)
        return "<eof>";
    std::size_t end = m_tok.end;
    // A stray non-ASCII byte is shown as its whole character.
    while (end < m_source.size() && (static_cast<unsigned char>(m_source[end]) & 0xC0) == 0x80)
        ++end;
    return std::string(
        m_source.substr(m_tok.begin, std::min<std::size_t>(end - m_tok.begin, LastTokenLimit)));
}

void Parser::fail(const std::string &message, const Token *focus) const
{
    fail(message, describeCurrent(), focus);
}

void Parser::fail(const std::string &message, const std::string &token, const Token *focus) const
{
    // The compiler reports the line its scanner has reached: the end of the
    // current token. The column points at `focus` when it is on that line,
    // else at the current token.
    const int line = currentLine();
    std::size_t at = m_tok.line == line ? m_tok.begin : m_tok.end;
    if (focus && focus->line == line)
        at = focus->begin;
    throw SyntaxError{Diagnostic{line, columnOf(m_source, at), message, token}};
}

void Parser::failExpected(int type) const
{
    fail(quoted(tokenSpelling(type)) + " expected");
}

// ---------------------------------------------------------------- stack

void Parser::deltaStack(int delta)
{
    m_fs->stack += delta;
    if (m_fs->stack > Limits::StackSlots)
        fail("function or expression too complex");
}

void Parser::setCallReturns(Exp &v, int results)
{
    if (v.open) {
        v.open = false;
        deltaStack(results);
    }
}

bool Parser::discharge(Exp &v)
{
    switch (v.kind) {
    case Exp::Local:
    case Exp::Global:
        deltaStack(1);
        break;
    case Exp::Indexed:
        deltaStack(-1); // table and key give way to the value
        break;
    case Exp::Value:
        return false;
    }
    v.kind = Exp::Value;
    v.open = false;
    v.jump = false;
    return true;
}

void Parser::discharge1(Exp &v)
{
    discharge(v);
    setCallReturns(v, 1);
}

void Parser::toStack(Exp &v, bool onlyOne)
{
    if (discharge(v))
        return;
    if (v.jump) {
        v.jump = false;
        deltaStack(1); // the comparison's result is pushed
    } else if (onlyOne) {
        setCallReturns(v, 1);
    }
}

// A conditional jump on v's value: the value is popped unless it is already
// a comparison's jump.
void Parser::testGo(Exp &v)
{
    discharge1(v);
    if (!v.jump)
        deltaStack(-1);
}

// ---------------------------------------------------------------- scopes

void Parser::checkLocalLimit(int pending)
{
    if (static_cast<int>(m_fs->active.size()) + pending + 1 > Limits::Locals)
        fail(tooMany("local variables", Limits::Locals));
}

// 0: a local of the current function, n: of the function n levels out,
// -1: a global.
int Parser::searchLocal(std::string_view name, std::size_t *slot) const
{
    int level = 0;
    for (const FuncState *fs = m_fs; fs; fs = fs->prev, ++level) {
        for (std::size_t i = fs->active.size(); i-- > 0;) {
            if (fs->active[i] == name) {
                *slot = i;
                return level;
            }
        }
    }
    return -1;
}

void Parser::singleVar(const Token &name, Exp &v)
{
    std::size_t slot = 0;
    const std::string_view text = m_source.substr(name.begin, name.end - name.begin);
    const int level = searchLocal(text, &slot);
    if (level >= 1) {
        fail("cannot access a variable in outer scope", std::string(text), &name);
    }
    v = Exp{};
    v.kind = level == 0 ? Exp::Local : Exp::Global;
    v.node = nameNode(name, level == 0 ? NodeFlag::Local : NodeFlag::Global);
}

void Parser::pushUpvalue(const Token &percent, const Token &name, Exp &v)
{
    std::size_t slot = 0;
    const std::string_view text = m_source.substr(name.begin, name.end - name.begin);
    const int level = searchLocal(text, &slot);
    Upvalue up;
    if (level == -1) {
        if (!m_fs->prev)
            fail("cannot access upvalue in main", std::string(text), &name);
        up.global = true;
        up.name = text;
    } else if (level != 1) {
        fail("upvalue must be global or local to immediately outer scope", std::string(text),
             &name);
    } else {
        up.slot = slot;
    }
    bool known = false;
    for (const Upvalue &u : m_fs->upvalues) {
        if (u.global == up.global && (up.global ? u.name == up.name : u.slot == up.slot)) {
            known = true;
            break;
        }
    }
    if (!known) {
        if (static_cast<int>(m_fs->upvalues.size()) + 1 > Limits::Upvalues)
            fail(tooMany("upvalues", Limits::Upvalues));
        m_fs->upvalues.push_back(up);
    }
    deltaStack(1);
    v = Exp{};
    v.kind = Exp::Value;
    v.node = m_tree.add(NodeKind::Upvalue, percent.begin, percent.line);
    m_tree.at(v.node).flags = up.global ? NodeFlag::Global : NodeFlag::Local;
    m_tree.append(v.node, nameNode(name, up.global ? NodeFlag::Global : NodeFlag::Local));
    m_tree.at(v.node).end = name.end;
}

// ---------------------------------------------------------------- nodes

int Parser::addNode(NodeKind kind, const Token &first)
{
    return m_tree.add(kind, first.begin, first.line);
}

int Parser::nameNode(const Token &name, std::uint8_t flags)
{
    const int node = addNode(NodeKind::Name, name);
    m_tree.at(node).flags = flags;
    m_tree.at(node).end = name.end;
    return node;
}

// A new node whose first child is `first` (a left operand, a called function).
int Parser::wrap(NodeKind kind, int first)
{
    const Node &child = m_tree.node(first);
    const int node = m_tree.add(kind, child.begin, child.line);
    m_tree.append(node, first);
    return node;
}

void Parser::enter()
{
    if (++m_depth > Limits::Nesting)
        fail(tooMany("nested levels", Limits::Nesting));
}

// ---------------------------------------------------------------- the program

void Parser::run()
{
    FuncState main;
    m_fs = &main;
    const int root = m_tree.add(NodeKind::Chunk, 0, 1);
    next();
    const int top = m_tree.add(NodeKind::Block, m_tok.begin, m_tok.line);
    m_tree.append(root, top);
    chunk(top);
    close(top);
    if (m_tok.type != Tok::Eos)
        fail("<eof> expected");
    m_tree.at(root).end = static_cast<std::uint32_t>(m_source.size());
}

} // namespace ParserInternals

ParseResult parse(std::string_view source, ParseMode mode)
{
    ParseResult result;
    ParserInternals::Parser parser(source, mode);
    try {
        parser.run();
    } catch (const SyntaxError &e) {
        result.error = e.diagnostic;
    }
    if (mode == ParseMode::Tree)
        result.tree = parser.takeTree();
    return result;
}

} // namespace plua
