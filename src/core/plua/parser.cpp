#include "plua/parser.h"

#include "plua/lexer.h"

#include <algorithm>
#include <string>
#include <vector>

// A recursive-descent parser that follows the handheld compiler step for
// step, so that it fails on the same programs at the same line. Besides the
// tree it keeps the few facts the compiler's checks depend on: the active
// locals and %names of each function, the enclosing loops, and the number of
// stack slots the compiled code would use (locals plus temporaries), which
// the compiler caps.

namespace plua {

namespace {

// How an expression stands while its code would be generated.
struct Exp
{
    enum Kind : std::uint8_t {
        Local,   // a local, not yet on the stack
        Global,  // a global, not yet on the stack
        Indexed, // table and key on the stack, not yet read
        Value,   // on the stack (unless open or a pending jump)
    };
    Kind kind = Value;
    bool open = false; // a call whose number of results is still open
    bool jump = false; // a comparison: the value exists only as a jump
    int node = -1;
};

struct Upvalue
{
    bool global = false;
    std::string_view name; // for a global
    std::size_t slot = 0;  // for a local of the enclosing function
};

struct FuncState
{
    FuncState *prev = nullptr;
    std::vector<std::string_view> active; // active locals, innermost last
    std::vector<Upvalue> upvalues;
    int stack = 0; // stack slots in use
    int loops = 0; // enclosing loops in this function
};

struct ExpList
{
    int count = 0;
    Exp last;
    int node = -1;
};

// Binary operators and their left and right priority; unary operators bind
// at 7, between `*` and `^`.
struct Priority
{
    int left;
    int right;
};

constexpr int UnaryPriority = 7;

bool binaryPriority(int token, Priority *out)
{
    switch (token) {
    case '+':
    case '-':
        *out = {5, 5};
        return true;
    case '*':
    case '/':
        *out = {6, 6};
        return true;
    case '^':
        *out = {9, 8};
        return true;
    case Tok::Concat:
        *out = {4, 3};
        return true;
    case Tok::Eq:
    case Tok::Ne:
    case '<':
    case Tok::Le:
    case '>':
    case Tok::Ge:
        *out = {2, 2};
        return true;
    case Tok::And:
    case Tok::Or:
        *out = {1, 1};
        return true;
    default:
        return false;
    }
}

bool isComparison(int token)
{
    return token == Tok::Eq || token == Tok::Ne || token == '<' || token == Tok::Le ||
           token == '>' || token == Tok::Ge;
}

bool blockFollow(int token)
{
    return token == Tok::Else || token == Tok::Elseif || token == Tok::End || token == Tok::Until ||
           token == Tok::Eos;
}

std::string quoted(std::string_view text)
{
    return "'" + std::string(text) + "'";
}

class Parser
{
public:
    Parser(std::string_view source, ParseMode mode)
        : m_source(source), m_lexer(source), m_tree(source)
    {
        if (mode == ParseMode::CheckOnly)
            m_tree.setRecording(false);
        else
            m_tree.reserve(source.size() / 4 + 16);
    }

    void run();
    SyntaxTree takeTree() { return std::move(m_tree); }

private:
    // Tokens
    void next();
    void lookahead();
    bool optional(int type);
    void check(int type);
    void checkMatch(int what, int who, int where);
    Token checkName();
    int currentLine() const { return m_tok.endLine; }
    bool isIn() const;

    // Errors, reported at the current token like the compiler
    [[noreturn]] void fail(const std::string &message, const Token *focus = nullptr) const;
    [[noreturn]] void failNear(const std::string &message) const;
    [[noreturn]] void failExpected(int type) const;
    std::string describeCurrent() const;

    // The compiler's stack accounting
    void deltaStack(int delta);
    void setCallReturns(Exp &v, int results);
    bool discharge(Exp &v);
    void discharge1(Exp &v);
    void toStack(Exp &v, bool onlyOne);
    void testGo(Exp &v);

    // Scopes
    void checkLocalLimit(int pending);
    int searchLocal(std::string_view name, std::size_t *slot) const;
    void singleVar(const Token &name, Exp &v);
    void pushUpvalue(const Token &percent, const Token &name, Exp &v);

    // Nodes
    int addNode(NodeKind kind, const Token &first);
    int nameNode(const Token &name, std::uint8_t flags);
    // Ends a node at the last token read; an empty block ends where it begins.
    void close(int node)
    {
        Node &n = m_tree.at(node);
        n.end = std::max(m_prevEnd, n.begin);
    }
    int wrap(NodeKind kind, int first);

    // Grammar
    void chunk(int parent);
    int block();
    bool statement(int parent);
    void ifStatement(int node, int line);
    void whileStatement(int node, int line);
    void repeatStatement(int node, int line);
    void forStatement(int node, int line);
    void numericFor(int node, std::string_view name);
    void tableFor(int node, std::string_view key);
    void forBody(int node, int prepSlots, const std::vector<std::string_view> &names);
    void functionStatement(int node, int line);
    void localStatement(int node);
    void nameStatement(int parent);
    int assignment(Exp &v, int targets, int varList, int node);
    void returnStatement(int node);
    void breakStatement();
    void condition(Exp &v);
    int body(bool needSelf, int line);
    void parameters(int node);

    // The values go into a new ExpList node under `parent`, or straight
    // under it when `ownNode` is false (call arguments).
    ExpList expList(int parent, bool ownNode = true);
    void adjustAssign(int targets, ExpList &values);
    void exp1(Exp &v);
    void expr(Exp &v);
    int subexpr(Exp &v, int limit);
    void simpleExp(Exp &v);
    void varOrFunc(Exp &v);
    void varOrFuncTail(Exp &v);
    void callArguments(Exp &v, int call, int selfSlots);
    int constructor();
    void constructorPart(int table, int *kind);
    void listFields(int part);
    void recordFields(int part);
    void recordField(int part);
    void enter();
    void leave() { --m_depth; }

    std::string_view m_source;
    Lexer m_lexer;
    SyntaxTree m_tree;
    Token m_tok;
    Token m_ahead;
    bool m_hasAhead = false;
    std::uint32_t m_prevEnd = 0;
    FuncState *m_fs = nullptr;
    int m_depth = 0;
};

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
        failNear(quoted(tokenSpelling(what)) + " expected (to close " + quoted(tokenSpelling(who)) +
                 " at line " + std::to_string(where) + ")");
    }
    next();
}

Token Parser::checkName()
{
    if (m_tok.type != Tok::Name)
        failNear("name expected");
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
        return "end of file";
    std::size_t end = m_tok.end;
    // A stray non-ASCII byte is shown as its whole character.
    while (end < m_source.size() && (static_cast<unsigned char>(m_source[end]) & 0xC0) == 0x80)
        ++end;
    return quoted(excerpt(m_source.substr(m_tok.begin, end - m_tok.begin)));
}

void Parser::fail(const std::string &message, const Token *focus) const
{
    // The compiler reports the line its scanner has reached: the end of the
    // current token. The column points at `focus` when it is on that line,
    // else at the current token.
    const int line = currentLine();
    std::size_t at = m_tok.line == line ? m_tok.begin : m_tok.end;
    if (focus && focus->line == line)
        at = focus->begin;
    throw SyntaxError{Diagnostic{line, columnOf(m_source, at), message}};
}

void Parser::failNear(const std::string &message) const
{
    fail(message + " near " + describeCurrent());
}

void Parser::failExpected(int type) const
{
    failNear(quoted(tokenSpelling(type)) + " expected");
}

// ---------------------------------------------------------------- stack

void Parser::deltaStack(int delta)
{
    m_fs->stack += delta;
    if (m_fs->stack > Limits::StackSlots)
        failNear("function or expression too complex (it needs more than " +
                 std::to_string(Limits::StackSlots) + " stack slots)");
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
        failNear("too many local variables (limit is " + std::to_string(Limits::Locals) +
                 " in one function)");
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
        std::string message =
            "cannot access " + quoted(text) + ": it is a local of an enclosing function";
        if (level == 1)
            message += " (use %" + std::string(text) + " for its value)";
        fail(message, &name);
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
            fail("cannot use upvalue %" + std::string(text) + " in the main chunk", &name);
        up.global = true;
        up.name = text;
    } else if (level != 1) {
        fail("upvalue %" + std::string(text) +
                 " must be a global or a local of the immediately enclosing function",
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
            failNear("too many upvalues (limit is " + std::to_string(Limits::Upvalues) +
                     " in one function)");
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
        failNear("too deeply nested (limit is " + std::to_string(Limits::Nesting) + " levels)");
}

// ---------------------------------------------------------------- statements

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
        failNear("end of file expected");
    m_tree.at(root).end = static_cast<std::uint32_t>(m_source.size());
}

void Parser::chunk(int parent)
{
    bool last = false;
    while (!last && !blockFollow(m_tok.type)) {
        last = statement(parent);
        optional(';');
    }
}

int Parser::block()
{
    const int node = addNode(NodeKind::Block, m_tok);
    const std::size_t outer = m_fs->active.size();
    chunk(node);
    const auto locals = static_cast<int>(m_fs->active.size() - outer);
    if (locals > 0)
        deltaStack(-locals);
    m_fs->active.resize(outer);
    close(node);
    return node;
}

bool Parser::statement(int parent)
{
    enter();
    const int line = currentLine();
    const Token first = m_tok;
    bool last = false;
    int node = -1;
    switch (m_tok.type) {
    case Tok::If:
        node = addNode(NodeKind::If, first);
        ifStatement(node, line);
        break;
    case Tok::While:
        node = addNode(NodeKind::While, first);
        whileStatement(node, line);
        break;
    case Tok::Do:
        node = addNode(NodeKind::Do, first);
        next();
        m_tree.append(node, block());
        checkMatch(Tok::End, Tok::Do, line);
        break;
    case Tok::For:
        node = addNode(NodeKind::NumericFor, first);
        forStatement(node, line);
        break;
    case Tok::Repeat:
        node = addNode(NodeKind::Repeat, first);
        repeatStatement(node, line);
        break;
    case Tok::Function:
        node = addNode(NodeKind::FunctionStatement, first);
        functionStatement(node, line);
        break;
    case Tok::Local:
        node = addNode(NodeKind::Local, first);
        localStatement(node);
        break;
    case Tok::Name:
    case '%':
        nameStatement(parent);
        break;
    case Tok::Return:
        node = addNode(NodeKind::Return, first);
        returnStatement(node);
        last = true;
        break;
    case Tok::Break:
        node = addNode(NodeKind::Break, first);
        breakStatement();
        last = true;
        break;
    default:
        failNear("statement expected");
    }
    if (node != -1) {
        close(node);
        m_tree.append(parent, node);
    }
    leave();
    return last;
}

void Parser::condition(Exp &v)
{
    expr(v);
    testGo(v);
}

void Parser::ifStatement(int node, int line)
{
    // if cond then block {elseif cond then block} [else block] end
    do {
        next(); // `if` or `elseif`
        Exp v;
        condition(v);
        m_tree.append(node, v.node);
        check(Tok::Then);
        m_tree.append(node, block());
    } while (m_tok.type == Tok::Elseif);
    if (m_tok.type == Tok::Else) {
        next();
        m_tree.append(node, block());
    }
    checkMatch(Tok::End, Tok::If, line);
}

void Parser::whileStatement(int node, int line)
{
    ++m_fs->loops;
    next();
    Exp v;
    condition(v);
    m_tree.append(node, v.node);
    check(Tok::Do);
    m_tree.append(node, block());
    checkMatch(Tok::End, Tok::While, line);
    --m_fs->loops;
}

void Parser::repeatStatement(int node, int line)
{
    // The condition comes after the block has closed, so it does not see
    // the block's locals.
    ++m_fs->loops;
    next();
    m_tree.append(node, block());
    checkMatch(Tok::Until, Tok::Repeat, line);
    Exp v;
    condition(v);
    m_tree.append(node, v.node);
    --m_fs->loops;
}

void Parser::forStatement(int node, int line)
{
    ++m_fs->loops;
    next();
    const Token name = checkName();
    const std::string_view text = m_source.substr(name.begin, name.end - name.begin);
    m_tree.append(node, nameNode(name, NodeFlag::Local));
    if (m_tok.type == '=') {
        numericFor(node, text);
    } else if (m_tok.type == ',') {
        m_tree.at(node).kind = NodeKind::TableFor;
        tableFor(node, text);
    } else {
        failNear("'=' or ',' expected");
    }
    checkMatch(Tok::End, Tok::For, line);
    --m_fs->loops;
}

void Parser::numericFor(int node, std::string_view name)
{
    // for name = start, limit [, step] do block end
    check('=');
    Exp v;
    exp1(v);
    m_tree.append(node, v.node);
    check(',');
    exp1(v);
    m_tree.append(node, v.node);
    if (optional(',')) {
        exp1(v);
        m_tree.append(node, v.node);
    } else {
        deltaStack(1); // the default step
    }
    // The loop keeps its variable, limit and step in three locals.
    checkLocalLimit(0);
    checkLocalLimit(1);
    checkLocalLimit(2);
    forBody(node, 0, {name, "(limit)", "(step)"});
}

void Parser::tableFor(int node, std::string_view key)
{
    // for key, value in table do block end
    check(',');
    const Token value = checkName();
    m_tree.append(node, nameNode(value, NodeFlag::Local));
    if (!isIn())
        failNear("'in' expected");
    next();
    Exp v;
    exp1(v);
    m_tree.append(node, v.node);
    // The table, key and value take three locals.
    checkLocalLimit(0);
    checkLocalLimit(1);
    checkLocalLimit(2);
    forBody(node, 2, {"(table)", key, m_source.substr(value.begin, value.end - value.begin)});
}

// The loop's three locals become active for the block; a table for's set-up
// pushes two more slots (key and value) next to the table, and the end of
// either loop pops all three.
void Parser::forBody(int node, int prepSlots, const std::vector<std::string_view> &names)
{
    if (prepSlots > 0)
        deltaStack(prepSlots);
    check(Tok::Do);
    for (std::string_view n : names)
        m_fs->active.push_back(n);
    m_tree.append(node, block());
    deltaStack(-3);
    m_fs->active.resize(m_fs->active.size() - names.size());
}

void Parser::functionStatement(int node, int line)
{
    // function name [(. | :) name] body
    next();
    const Token name = checkName();
    Exp v;
    singleVar(name, v);
    m_tree.append(node, v.node);
    bool needSelf = false;
    if (m_tok.type == ':' || m_tok.type == '.') {
        needSelf = m_tok.type == ':';
        if (needSelf)
            m_tree.at(node).flags |= NodeFlag::Method;
        next();
        toStack(v, true);
        const Token field = checkName();
        deltaStack(1);
        m_tree.append(node, nameNode(field, NodeFlag::FieldName));
        v.kind = Exp::Indexed;
    }
    m_tree.append(node, body(needSelf, line));
    deltaStack(v.kind == Exp::Indexed ? -3 : -1);
}

void Parser::localStatement(int node)
{
    // local name {, name} [= explist]
    const int names = addNode(NodeKind::NameList, m_tok);
    m_tree.append(node, names);
    std::vector<std::string_view> pending;
    do {
        next(); // `local` or `,`
        const Token name = checkName();
        checkLocalLimit(static_cast<int>(pending.size()));
        pending.push_back(m_source.substr(name.begin, name.end - name.begin));
        m_tree.append(names, nameNode(name, NodeFlag::Local));
    } while (m_tok.type == ',');
    close(names);
    ExpList values;
    if (optional('='))
        values = expList(node);
    adjustAssign(static_cast<int>(pending.size()), values);
    for (std::string_view n : pending)
        m_fs->active.push_back(n);
}

void Parser::nameStatement(int parent)
{
    // a call, or an assignment to one or more variables
    Exp v;
    varOrFunc(v);
    if (v.kind == Exp::Value) {
        if (!v.open) {
            if (m_tok.type == '=' || m_tok.type == ',')
                failNear("cannot assign to an upvalue");
            failNear("syntax error");
        }
        setCallReturns(v, 0);
        const int node = wrap(NodeKind::CallStatement, v.node);
        close(node);
        m_tree.append(parent, node);
        return;
    }
    const Node &target = m_tree.node(v.node);
    const int node = m_tree.add(NodeKind::Assign, target.begin, target.line);
    const int targets = wrap(NodeKind::VarList, v.node);
    m_tree.append(node, targets);
    const int left = assignment(v, 1, targets, node);
    deltaStack(-left);
    close(node);
    m_tree.append(parent, node);
}

int Parser::assignment(Exp &v, int targets, int varList, int node)
{
    if (targets > Limits::AssignTargets)
        failNear("too many variables in one assignment (limit is " +
                 std::to_string(Limits::AssignTargets) + ")");
    int left = 0;
    if (m_tok.type == ',') {
        next();
        Exp target;
        varOrFunc(target);
        if (target.kind == Exp::Value)
            failNear(target.open ? "cannot assign to a function call"
                                 : "cannot assign to an upvalue");
        m_tree.append(varList, target.node);
        left = assignment(target, targets + 1, varList, node);
    } else {
        close(varList);
        check('=');
        ExpList values = expList(node);
        adjustAssign(targets, values);
    }
    if (v.kind != Exp::Indexed) {
        deltaStack(-1);
    } else {
        deltaStack(-1);
        left += 2; // table and key stay until the end of the statement
    }
    return left;
}

void Parser::returnStatement(int node)
{
    next();
    if (!blockFollow(m_tok.type) && m_tok.type != ';')
        expList(node);
    m_fs->stack = static_cast<int>(m_fs->active.size());
}

void Parser::breakStatement()
{
    if (m_fs->loops == 0)
        failNear("no loop to break");
    next();
}

int Parser::body(bool needSelf, int line)
{
    // (parameters) block end
    enter();
    const int node = m_tree.add(NodeKind::Function, m_tok.begin, line);
    FuncState fs;
    fs.prev = m_fs;
    m_fs = &fs;
    const int params = addNode(NodeKind::Parameters, m_tok);
    m_tree.append(node, params);
    check('(');
    if (needSelf) {
        checkLocalLimit(0);
        fs.active.push_back("self");
    }
    parameters(params);
    check(')');
    close(params);
    const int inner = addNode(NodeKind::Block, m_tok);
    m_tree.append(node, inner);
    chunk(inner);
    close(inner);
    checkMatch(Tok::End, Tok::Function, line);
    close(node);
    m_fs = fs.prev;
    // The closure takes its %names from the enclosing function's stack.
    const auto upvalues = static_cast<int>(fs.upvalues.size());
    deltaStack(upvalues);
    deltaStack(1 - upvalues);
    leave();
    return node;
}

void Parser::parameters(int node)
{
    std::vector<std::string_view> pending;
    bool vararg = false;
    if (m_tok.type != ')') {
        do {
            if (m_tok.type == Tok::Dots) {
                next();
                vararg = true;
            } else if (m_tok.type == Tok::Name) {
                const Token name = checkName();
                checkLocalLimit(static_cast<int>(pending.size()));
                pending.push_back(m_source.substr(name.begin, name.end - name.begin));
                m_tree.append(node, nameNode(name, NodeFlag::Local));
            } else {
                failNear("name or '...' expected");
            }
        } while (!vararg && optional(','));
    }
    for (std::string_view n : pending)
        m_fs->active.push_back(n);
    if (static_cast<int>(m_fs->active.size()) > Limits::Parameters)
        failNear("too many parameters (limit is " + std::to_string(Limits::Parameters) + ")");
    if (vararg) {
        m_tree.at(node).flags |= NodeFlag::Vararg;
        checkLocalLimit(0);
        m_fs->active.push_back("arg");
    }
    deltaStack(static_cast<int>(m_fs->active.size()));
}

// ---------------------------------------------------------------- expressions

ExpList Parser::expList(int parent, bool ownNode)
{
    ExpList list;
    if (ownNode) {
        list.node = addNode(NodeKind::ExpList, m_tok);
        m_tree.append(parent, list.node);
    } else {
        list.node = parent;
    }
    expr(list.last);
    m_tree.append(list.node, list.last.node);
    list.count = 1;
    while (m_tok.type == ',') {
        toStack(list.last, true);
        next();
        expr(list.last);
        m_tree.append(list.node, list.last.node);
        ++list.count;
    }
    toStack(list.last, false);
    if (ownNode)
        close(list.node);
    return list;
}

// Matches `targets` variables with the values of a list: an open call at
// the end supplies what is missing, extra values are dropped, missing ones
// are nil.
void Parser::adjustAssign(int targets, ExpList &values)
{
    int diff = values.count - targets;
    if (values.count > 0 && values.last.open) {
        --diff;
        if (diff <= 0) {
            setCallReturns(values.last, -diff);
            diff = 0;
        } else {
            setCallReturns(values.last, 0);
        }
    }
    if (diff != 0)
        deltaStack(-diff);
}

void Parser::exp1(Exp &v)
{
    expr(v);
    toStack(v, true);
}

void Parser::expr(Exp &v)
{
    subexpr(v, -1);
}

// subexpr -> (simpleexp | unop subexpr) {binop subexpr}, taking binary
// operators whose left priority is above `limit`; returns the first
// operator it leaves.
int Parser::subexpr(Exp &v, int limit)
{
    enter();
    if (m_tok.type == '-' || m_tok.type == Tok::Not) {
        const Token op = m_tok;
        next();
        subexpr(v, UnaryPriority);
        if (op.type == '-')
            toStack(v, true);
        else
            discharge1(v);
        const int node = addNode(NodeKind::Unary, op);
        m_tree.at(node).op = static_cast<std::uint16_t>(op.type);
        m_tree.append(node, v.node);
        close(node);
        v.node = node;
    } else {
        simpleExp(v);
    }
    Priority priority{};
    int op = m_tok.type;
    while (binaryPriority(op, &priority) && priority.left > limit) {
        next();
        if (op == Tok::And || op == Tok::Or)
            testGo(v);
        else
            toStack(v, true);
        Exp right;
        const int nextOp = subexpr(right, priority.right);
        const int node = wrap(NodeKind::Binary, v.node);
        m_tree.at(node).op = static_cast<std::uint16_t>(op);
        m_tree.append(node, right.node);
        close(node);
        if (op == Tok::And || op == Tok::Or) {
            discharge1(right);
            v = Exp{};
            v.jump = right.jump;
        } else {
            toStack(right, true);
            const bool comparison = isComparison(op);
            deltaStack(comparison ? -2 : -1);
            v = Exp{};
            v.jump = comparison;
        }
        v.node = node;
        op = nextOp;
    }
    leave();
    return op;
}

void Parser::simpleExp(Exp &v)
{
    const Token first = m_tok;
    switch (m_tok.type) {
    case Tok::Number:
        next();
        deltaStack(1);
        v = Exp{};
        v.node = addNode(NodeKind::Number, first);
        close(v.node);
        return;
    case Tok::String:
        deltaStack(1);
        next();
        v = Exp{};
        v.node = addNode(NodeKind::String, first);
        close(v.node);
        return;
    case Tok::Nil:
        deltaStack(1);
        next();
        v = Exp{};
        v.node = addNode(NodeKind::Nil, first);
        close(v.node);
        return;
    case '{':
        v = Exp{};
        v.node = constructor();
        return;
    case Tok::Function: {
        next();
        v = Exp{};
        v.node = body(false, currentLine());
        // The tree keeps the line of `function` itself.
        m_tree.at(v.node).line = first.line;
        m_tree.at(v.node).begin = first.begin;
        return;
    }
    case '(': {
        // The value is not cut to one: (f()) stays a call with all results.
        next();
        expr(v);
        check(')');
        const int node = addNode(NodeKind::Paren, first);
        m_tree.append(node, v.node);
        close(node);
        v.node = node;
        return;
    }
    case Tok::Name:
    case '%':
        varOrFunc(v);
        return;
    default:
        failNear("expression expected");
    }
}

void Parser::varOrFunc(Exp &v)
{
    if (m_tok.type == '%') {
        const Token percent = m_tok;
        next();
        pushUpvalue(percent, checkName(), v);
    } else
        singleVar(checkName(), v);
    varOrFuncTail(v);
}

void Parser::varOrFuncTail(Exp &v)
{
    for (;;) {
        switch (m_tok.type) {
        case '.': {
            next();
            toStack(v, true);
            const Token field = checkName();
            deltaStack(1);
            const int node = wrap(NodeKind::Field, v.node);
            m_tree.append(node, nameNode(field, NodeFlag::FieldName));
            close(node);
            v = Exp{};
            v.kind = Exp::Indexed;
            v.node = node;
            break;
        }
        case '[': {
            next();
            toStack(v, true);
            const int node = wrap(NodeKind::Index, v.node);
            Exp key;
            exp1(key);
            m_tree.append(node, key.node);
            check(']');
            close(node);
            v = Exp{};
            v.kind = Exp::Indexed;
            v.node = node;
            break;
        }
        case ':': {
            next();
            const Token method = checkName();
            toStack(v, true);
            deltaStack(1); // the method and `self`
            const int node = wrap(NodeKind::MethodCall, v.node);
            m_tree.append(node, nameNode(method, NodeFlag::FieldName));
            callArguments(v, node, 1);
            break;
        }
        case '(':
        case Tok::String:
        case '{': {
            toStack(v, true);
            const int node = wrap(NodeKind::Call, v.node);
            callArguments(v, node, 0);
            break;
        }
        default:
            return;
        }
    }
}

void Parser::callArguments(Exp &v, int call, int selfSlots)
{
    const int base = m_fs->stack - selfSlots - 1;
    switch (m_tok.type) {
    case '(': {
        const int line = currentLine();
        next();
        if (m_tok.type != ')')
            expList(call, false);
        checkMatch(')', '(', line);
        break;
    }
    case '{':
        m_tree.append(call, constructor());
        break;
    case Tok::String: {
        deltaStack(1);
        const int node = addNode(NodeKind::String, m_tok);
        next();
        close(node);
        m_tree.append(call, node);
        break;
    }
    default:
        failNear("function arguments expected");
    }
    close(call);
    m_fs->stack = base; // the call consumes the function and its arguments
    v = Exp{};
    v.open = true;
    v.node = call;
}

int Parser::constructor()
{
    // { part [; part] }, the two parts of different kinds
    const int line = currentLine();
    const int node = addNode(NodeKind::Table, m_tok);
    deltaStack(1);
    check('{');
    int firstKind = 0;
    constructorPart(node, &firstKind);
    if (optional(';')) {
        int secondKind = 0;
        constructorPart(node, &secondKind);
        if (firstKind == secondKind) {
            if (firstKind == 0)
                failNear("invalid table constructor: two list parts");
            if (firstKind == 1)
                failNear("invalid table constructor: two record parts");
            failNear("invalid table constructor: two empty parts");
        }
    }
    checkMatch('}', '{', line);
    close(node);
    return node;
}

// Kinds: 0 a list part, 1 a record part, ';' or '}' an empty part.
void Parser::constructorPart(int table, int *kind)
{
    switch (m_tok.type) {
    case ';':
    case '}':
        *kind = m_tok.type;
        return;
    case Tok::Name:
        lookahead();
        if (m_ahead.type != '=')
            break;
        [[fallthrough]];
    case '[': {
        const int part = addNode(NodeKind::RecordPart, m_tok);
        m_tree.append(table, part);
        recordFields(part);
        close(part);
        *kind = 1;
        return;
    }
    default:
        break;
    }
    const int part = addNode(NodeKind::ListPart, m_tok);
    m_tree.append(table, part);
    listFields(part);
    close(part);
    *kind = 0;
}

void Parser::listFields(int part)
{
    constexpr int PerFlush = 64;
    Exp v;
    exp1(v);
    m_tree.append(part, v.node);
    int count = 1;
    while (m_tok.type == ',') {
        next();
        if (m_tok.type == ';' || m_tok.type == '}')
            break;
        exp1(v);
        m_tree.append(part, v.node);
        ++count;
        if (count / PerFlush > Limits::ListGroups)
            failNear("too many items in a list constructor");
        if (count % PerFlush == 0)
            deltaStack(-PerFlush);
    }
    deltaStack(-(count % PerFlush));
}

void Parser::recordFields(int part)
{
    constexpr int PerFlush = 32;
    recordField(part);
    int count = 1;
    while (m_tok.type == ',') {
        next();
        if (m_tok.type == ';' || m_tok.type == '}')
            break;
        recordField(part);
        ++count;
        if (count % PerFlush == 0)
            deltaStack(-2 * PerFlush);
    }
    deltaStack(-2 * (count % PerFlush));
}

void Parser::recordField(int part)
{
    // name = exp | [exp] = exp
    const int node = addNode(NodeKind::RecordField, m_tok);
    m_tree.append(part, node);
    if (m_tok.type == Tok::Name) {
        const Token key = checkName();
        deltaStack(1);
        m_tree.append(node, nameNode(key, NodeFlag::FieldName));
    } else if (m_tok.type == '[') {
        next();
        Exp key;
        exp1(key);
        m_tree.append(node, key.node);
        check(']');
    } else {
        failNear("name or '[' expected");
    }
    check('=');
    Exp value;
    exp1(value);
    m_tree.append(node, value.node);
    close(node);
}

} // namespace

ParseResult parse(std::string_view source, ParseMode mode)
{
    ParseResult result;
    Parser parser(source, mode);
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
