// The parser's state and the class shared by its source files.
#pragma once

#include "plua/lexer.h"
#include "plua/parser.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A recursive-descent parser that follows the handheld compiler step for
// step, so that it fails on the same programs at the same line. Besides the
// tree it keeps the few facts the compiler's checks depend on: the active
// locals and %names of each function, the enclosing loops, and the number of
// stack slots the compiled code would use (locals plus temporaries), which
// the compiler caps.

namespace plua::ParserInternals {

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

    // Errors, reported at the current token like the compiler, in its words
    [[noreturn]] void fail(const std::string &message, const Token *focus = nullptr) const;
    [[noreturn]] void fail(const std::string &message, const std::string &token,
                           const Token *focus = nullptr) const;
    [[noreturn]] void failExpected(int type) const;
    std::string describeCurrent() const;
    static std::string tooMany(const std::string &what, int limit)
    {
        return "too many " + what + " (limit=" + std::to_string(limit) + ")";
    }

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

} // namespace plua::ParserInternals
