// The parser's table constructors.
#include "plua/parserstate.h"

namespace plua::ParserInternals {

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
            fail("invalid constructor syntax");
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
            fail(tooMany("`item groups' in a list initializer", Limits::ListGroups));
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
        fail("<name> or `[' expected");
    }
    check('=');
    Exp value;
    exp1(value);
    m_tree.append(node, value.node);
    close(node);
}

} // namespace plua::ParserInternals
