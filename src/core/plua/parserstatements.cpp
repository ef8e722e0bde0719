// The parser's statements, blocks and function bodies.
#include "plua/parserstate.h"

namespace plua::ParserInternals {

namespace {

bool blockFollow(int token)
{
    return token == Tok::Else || token == Tok::Elseif || token == Tok::End || token == Tok::Until ||
           token == Tok::Eos;
}

} // namespace

// ---------------------------------------------------------------- statements

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
        fail("<statement> expected");
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
        fail("`=' or `,' expected");
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
        fail("`in' expected");
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
            fail("syntax error");
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
        fail(tooMany("variables in a multiple assignment", Limits::AssignTargets));
    int left = 0;
    if (m_tok.type == ',') {
        next();
        Exp target;
        varOrFunc(target);
        if (target.kind == Exp::Value)
            fail("syntax error");
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
        fail("no loop to break");
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
                fail("<name> or `...' expected");
            }
        } while (!vararg && optional(','));
    }
    for (std::string_view n : pending)
        m_fs->active.push_back(n);
    if (static_cast<int>(m_fs->active.size()) > Limits::Parameters)
        fail(tooMany("parameters", Limits::Parameters));
    if (vararg) {
        m_tree.at(node).flags |= NodeFlag::Vararg;
        checkLocalLimit(0);
        m_fs->active.push_back("arg");
    }
    deltaStack(static_cast<int>(m_fs->active.size()));
}

} // namespace plua::ParserInternals
