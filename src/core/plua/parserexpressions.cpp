// The parser's expressions, variables and calls.
#include "plua/parserstate.h"

namespace plua::ParserInternals {

namespace {

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

} // namespace

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
        fail("<expression> expected");
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
        fail("function arguments expected");
    }
    close(call);
    m_fs->stack = base; // the call consumes the function and its arguments
    v = Exp{};
    v.open = true;
    v.node = call;
}

} // namespace plua::ParserInternals
