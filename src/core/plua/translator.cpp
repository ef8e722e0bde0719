#include "plua/translator.h"

#include "plua/lexer.h"
#include "plua/parser.h"

#include <algorithm>
#include <cstdint>
#include <vector>

// The translation edits the program's own text: every token stays where it
// was, so each statement keeps its line and an untouched construct reads as
// written. The syntax tree says where the two languages differ; the edits
// insert, replace or blank out text at byte offsets of the source.

namespace plua {

namespace {

// Words Lua 5.1 reserves that are plain names in Lua 4.0.
bool reservedIn51(std::string_view name)
{
    return name == "true" || name == "false" || name == "in";
}

bool isNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

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

// Active locals Lua 5.1 allows in one function.
constexpr int MaxLocals51 = 200;

struct Edit
{
    std::uint32_t pos = 0;
    std::uint32_t length = 0; // bytes replaced
    std::string text;
};

class Translator
{
public:
    Translator(std::string_view source, const SyntaxTree &tree, std::vector<Token> tokens,
               std::string prefix)
        : m_src(source), m_tree(tree), m_tokens(std::move(tokens)), m_p(std::move(prefix))
    {}

    std::string run();

private:
    struct Function
    {
        std::vector<std::pair<std::string_view, bool>> upvalues; // name, global
        // The function may come near Lua 5.1's 200 locals, where a for loop
        // takes one or two more than in Lua 4.0: its loops count in a while.
        bool tight = false;
    };

    const Node &node(int i) const { return m_tree.node(i); }
    std::string_view text(int i) const { return m_tree.text(i); }
    int child(int i, int n) const;

    // Tokens by offset
    std::size_t tokenFrom(std::uint32_t pos) const;   // first token beginning at or after pos
    std::size_t tokenBefore(std::uint32_t pos) const; // last token ending at or before pos

    void insert(std::uint32_t pos, std::string text)
    {
        m_edits.push_back({pos, 0, std::move(text)});
    }
    // Replaces [begin, end), keeping the line ends of the replaced text.
    void replace(std::uint32_t begin, std::uint32_t end, std::string text);

    std::string variable(int nameNode) const;
    std::string upvalueCopy(std::string_view name) const { return m_p + "u_" + std::string(name); }
    void renameLocal(int nameNode);

    void lexical();
    void block(int n);
    void statement(int n);
    void functionStatement(int n);
    bool assigns(int block, std::string_view name) const;
    int localsOf(int body, int params) const;
    void steppedFor(int n);
    void walkedTableFor(int n);
    std::string function(int n);
    void expList(int n, bool multi);
    void exp(int n, bool test);
    void target(int n);
    void binary(int n, bool test);
    void concat(int n);
    void call(int n);
    void methodCall(int n);
    void table(int n);
    void keepAllResults(int n);

    std::string_view m_src;
    const SyntaxTree &m_tree;
    std::vector<Token> m_tokens;
    std::string m_p;
    std::vector<Edit> m_edits;
    std::vector<Function> m_functions;
};

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
    if (!m_src.empty() && m_src[0] == '#')
        replace(0, 1, "--");
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
    insert(0, "local " + m_p + " = ...; return (function() ");
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

void Translator::block(int n)
{
    for (int s = node(n).firstChild; s != -1; s = node(s).next)
        statement(s);
}

void Translator::statement(int n)
{
    const Node &s = node(n);
    switch (s.kind) {
    case NodeKind::Local: {
        for (int name = node(child(n, 0)).firstChild; name != -1; name = node(name).next)
            renameLocal(name);
        if (const int values = child(n, 1); values != -1)
            expList(values, true);
        break;
    }
    case NodeKind::Assign:
        for (int t = node(child(n, 0)).firstChild; t != -1; t = node(t).next)
            target(t);
        expList(child(n, 1), true);
        break;
    case NodeKind::CallStatement:
        exp(s.firstChild, false);
        break;
    case NodeKind::Do:
        block(s.firstChild);
        break;
    case NodeKind::While:
        exp(child(n, 0), true);
        block(child(n, 1));
        break;
    case NodeKind::Repeat: {
        const int body = child(n, 0);
        const int condition = child(n, 1);
        // The condition of `until` does not see the loop's locals in Lua 4.0.
        bool locals = false;
        for (int c = node(body).firstChild; c != -1; c = node(c).next)
            locals = locals || node(c).kind == NodeKind::Local;
        block(body);
        if (locals) {
            insert(s.begin + 6, " do");
            insert(m_tokens[tokenBefore(node(condition).begin)].begin, "end ");
        }
        exp(condition, true);
        break;
    }
    case NodeKind::If:
        for (int c = s.firstChild; c != -1; c = node(c).next) {
            if (node(c).kind == NodeKind::Block) {
                block(c);
            } else {
                exp(c, true);
            }
        }
        break;
    case NodeKind::NumericFor:
        if (m_functions.back().tight || assigns(node(n).lastChild, text(s.firstChild))) {
            steppedFor(n);
            break;
        }
        for (int c = s.firstChild; c != -1; c = node(c).next) {
            if (c == s.firstChild)
                renameLocal(c);
            else if (node(c).kind == NodeKind::Block)
                block(c);
            else
                exp(c, false);
        }
        break;
    case NodeKind::TableFor: {
        if (m_functions.back().tight || assigns(child(n, 3), text(child(n, 0)))) {
            walkedTableFor(n);
            break;
        }
        renameLocal(child(n, 0));
        renameLocal(child(n, 1));
        const int t = child(n, 2);
        insert(node(t).begin, m_p + ".each(");
        exp(t, false);
        insert(node(t).end, ")");
        block(child(n, 3));
        break;
    }
    case NodeKind::FunctionStatement:
        functionStatement(n);
        break;
    case NodeKind::Return:
        if (s.firstChild != -1)
            expList(s.firstChild, true);
        break;
    default:
        break;
    }
}

// Whether `block` assigns to `name`, in its own function.
bool Translator::assigns(int block, std::string_view name) const
{
    std::vector<int> pending{block};
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        if (node(n).kind == NodeKind::Function)
            continue;
        if (node(n).kind == NodeKind::Assign) {
            for (int t = node(child(n, 0)).firstChild; t != -1; t = node(t).next) {
                if (node(t).kind == NodeKind::Name && text(t) == name)
                    return true;
            }
        }
        for (int c = node(n).firstChild; c != -1; c = node(c).next)
            pending.push_back(c);
    }
    return false;
}

// Locals a function declares in all, as Lua 5.1 counts them: at least as
// many as are ever active at once.
int Translator::localsOf(int body, int params) const
{
    int count = params;
    std::vector<int> pending{body};
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        switch (node(n).kind) {
        case NodeKind::Function:
            continue;
        case NodeKind::Local:
            for (int c = node(child(n, 0)).firstChild; c != -1; c = node(c).next)
                ++count;
            break;
        case NodeKind::NumericFor:
            count += 4;
            break;
        case NodeKind::TableFor:
            count += 5;
            break;
        default:
            break;
        }
        for (int c = node(n).firstChild; c != -1; c = node(c).next)
            pending.push_back(c);
    }
    return count;
}

// The key of a table for is where Lua 4.0's traversal stands: a body that
// moves it moves the traversal. Such a loop, or one in a function short of
// locals, walks the table in a while loop:
//   do local t, k, v = table(T) k, v = next(t, k) while k ~= nil do
//   do BODY end k, v = next(t, k) end end
void Translator::walkedTableFor(int n)
{
    const Node &s = node(n);
    const int key = child(n, 0);
    const int value = child(n, 1);
    const int table = child(n, 2);
    const int body = child(n, 3);
    const std::string k = variable(key);
    const std::string v = variable(value);
    const std::string t = m_p + "t";
    const std::string step = k + ", " + v + " = " + m_p + ".next(" + t + ", " + k + ")";
    replace(s.begin, s.begin + 3, "do local " + t + ",");
    renameLocal(key);
    renameLocal(value);
    const Token &in = m_tokens[tokenFrom(node(value).end)];
    replace(in.begin, in.end, "= " + m_p + ".table(");
    exp(table, false);
    const Token &doToken = m_tokens[tokenBefore(node(body).begin)];
    replace(doToken.begin, doToken.end, ") " + step + " while " + k + " ~= nil do do");
    block(body);
    const Token &endToken = m_tokens[tokenBefore(s.end)];
    replace(endToken.begin, endToken.end, "end " + step + " end end");
}

// In Lua 4.0 the variable of a numeric for is the loop's own counter: the
// body may move it. A loop whose body assigns to it counts the way Lua 4.0
// does, in a while loop:
//   do local i, l, s = forprep(a, b, c) while (s > 0 and i <= l) or
//   (s <= 0 and i >= l) do do BODY end i = fornext(i, s) end end
void Translator::steppedFor(int n)
{
    const Node &s = node(n);
    const int name = s.firstChild;
    const int body = s.lastChild;
    const std::string var = variable(name);
    const std::string limit = m_p + "l";
    const std::string step = m_p + "s";
    replace(s.begin, s.begin + 3, "do local");
    renameLocal(name);
    insert(node(name).end, ", " + limit + ", " + step);
    insert(node(child(n, 1)).begin, m_p + ".forprep(");
    for (int c = node(name).next; c != body; c = node(c).next)
        exp(c, false);
    const Token &doToken = m_tokens[tokenBefore(node(body).begin)];
    replace(doToken.begin, doToken.end,
            ") while (" + step + " > 0 and " + var + " <= " + limit + ") or (" + step +
                " <= 0 and " + var + " >= " + limit + ") do do");
    block(body);
    const Token &endToken = m_tokens[tokenBefore(s.end)];
    replace(endToken.begin, endToken.end,
            "end " + var + " = " + m_p + ".fornext(" + var + ", " + step + ") end end");
}

// `function a.b:c(...)` becomes the assignment it stands for, so that the
// function can be wrapped for its %names like any other.
void Translator::functionStatement(int n)
{
    const Node &s = node(n);
    const int first = s.firstChild;
    const int second = child(n, 1);
    int body = second;
    std::string lead = variable(first);
    if (node(second).kind == NodeKind::Name) {
        body = child(n, 2);
        const std::string_view field = text(second);
        if (reservedIn51(field))
            lead += "[\"" + std::string(field) + "\"]";
        else
            lead += "." + std::string(field);
    }
    lead += " = ";
    if (s.flags & NodeFlag::Method) {
        const int params = node(body).firstChild;
        const bool empty =
            node(params).firstChild == -1 && !(node(params).flags & NodeFlag::Vararg);
        insert(node(params).begin + 1, empty ? "self" : "self, ");
    }
    // Everything from `function` up to the parameters gives way to the lead.
    const std::string wrapper = function(body);
    replace(s.begin, node(body).begin, lead + wrapper + "function");
}

// Walks a function; returns the text that must come before its `function`
// keyword (empty unless it has %names).
std::string Translator::function(int n)
{
    const int params = child(n, 0);
    const int body = child(n, 1);
    int count = 2; // self and arg, when the function has them
    for (int p = node(params).firstChild; p != -1; p = node(p).next) {
        renameLocal(p);
        ++count;
    }
    if (node(params).flags & NodeFlag::Vararg)
        insert(node(params).end, " local arg = {n = " + m_p + ".select(\"#\", ...), ...};");

    m_functions.emplace_back();
    m_functions.back().tight = localsOf(body, count) > MaxLocals51;
    block(body);
    const Function f = std::move(m_functions.back());
    m_functions.pop_back();
    if (f.upvalues.empty())
        return {};

    // %name is the value the name had when the closure was made: the
    // function is made inside another that takes those values as arguments.
    std::string names;
    std::string values;
    for (const auto &[name, global] : f.upvalues) {
        if (!names.empty()) {
            names += ", ";
            values += ", ";
        }
        names += upvalueCopy(name);
        if (!reservedIn51(name))
            values += name;
        else if (global)
            values += m_p + ".G[\"" + std::string(name) + "\"]";
        else
            values += m_p + "k_" + std::string(name);
    }
    insert(node(n).end, " end)(" + values + ")");
    return "(function(" + names + ") return ";
}

void Translator::expList(int n, bool multi)
{
    for (int e = node(n).firstChild; e != -1; e = node(e).next) {
        exp(e, false);
        if (multi && node(e).next == -1)
            keepAllResults(e);
    }
}

// In Lua 4.0 brackets round a call do not cut its results to one.
void Translator::keepAllResults(int n)
{
    int inner = n;
    while (node(inner).kind == NodeKind::Paren)
        inner = node(inner).firstChild;
    if (inner == n ||
        (node(inner).kind != NodeKind::Call && node(inner).kind != NodeKind::MethodCall))
        return;
    for (int p = n; p != inner; p = node(p).firstChild) {
        replace(node(p).begin, node(p).begin + 1, " ");
        replace(node(p).end - 1, node(p).end, " ");
    }
}

void Translator::target(int n)
{
    if (node(n).kind == NodeKind::Name) {
        if (reservedIn51(text(n)))
            replace(node(n).begin, node(n).end, variable(n));
        return;
    }
    exp(n, false);
}

void Translator::exp(int n, bool test)
{
    const Node &e = node(n);
    switch (e.kind) {
    case NodeKind::Name:
        if (reservedIn51(text(n)))
            replace(e.begin, e.end, variable(n));
        break;
    case NodeKind::Upvalue: {
        const std::string_view name = text(e.firstChild);
        auto &ups = m_functions.back().upvalues;
        const bool global = (e.flags & NodeFlag::Global) != 0;
        if (std::find(ups.begin(), ups.end(), std::make_pair(name, global)) == ups.end())
            ups.emplace_back(name, global);
        replace(e.begin, e.end, upvalueCopy(name));
        break;
    }
    case NodeKind::Function: {
        std::string wrapper = function(n);
        if (!wrapper.empty())
            insert(e.begin, std::move(wrapper));
        break;
    }
    case NodeKind::Paren:
        exp(e.firstChild, test);
        break;
    case NodeKind::Field: {
        exp(e.firstChild, false);
        const int field = child(n, 1);
        if (reservedIn51(text(field))) {
            const std::size_t dot = tokenBefore(node(field).begin);
            replace(m_tokens[dot].begin, node(field).end, "[\"" + std::string(text(field)) + "\"]");
        }
        break;
    }
    case NodeKind::Index:
        exp(child(n, 0), false);
        exp(child(n, 1), false);
        break;
    case NodeKind::Call:
        call(n);
        break;
    case NodeKind::MethodCall:
        methodCall(n);
        break;
    case NodeKind::Table:
        table(n);
        break;
    case NodeKind::Binary:
        binary(n, test);
        break;
    case NodeKind::Unary:
        if (e.op == Tok::Not && !test) {
            insert(e.begin, "(");
            exp(e.firstChild, true);
            insert(e.end, " and 1 or nil)");
        } else {
            exp(e.firstChild, e.op == Tok::Not);
        }
        break;
    default:
        break;
    }
}

bool isComparison(int op)
{
    return op == Tok::Eq || op == Tok::Ne || op == '<' || op == Tok::Le || op == '>' ||
           op == Tok::Ge;
}

void Translator::binary(int n, bool test)
{
    const Node &e = node(n);
    const int left = child(n, 0);
    const int right = child(n, 1);
    if (e.op == Tok::Concat) {
        concat(n);
        return;
    }
    if (e.op == Tok::And || e.op == Tok::Or) {
        // `and` and `or` share one level in Lua 4.0: a or b and c is (a or b) and c.
        const Node &l = node(left);
        const bool wrapLeft = l.kind == NodeKind::Binary && e.op == Tok::And && l.op == Tok::Or;
        if (wrapLeft)
            insert(l.begin, "(");
        exp(left, test);
        if (wrapLeft)
            insert(l.end, ")");
        exp(right, test);
        return;
    }
    // Comparisons give 1 or nil, never true or false.
    const bool wrap = isComparison(e.op) && !test;
    if (wrap)
        insert(e.begin, "(");
    exp(left, false);
    exp(right, false);
    if (wrap)
        insert(e.end, " and 1 or nil)");
}

// a .. b .. c becomes cat(a, b, c), which writes numbers with 16 digits.
void Translator::concat(int n)
{
    std::vector<int> operands;
    int c = n;
    while (node(c).kind == NodeKind::Binary && node(c).op == Tok::Concat) {
        operands.push_back(child(c, 0));
        c = child(c, 1);
    }
    operands.push_back(c);
    // A long chain is joined a hundred values at a time, so that no call
    // needs more registers than Lua 5.1 has.
    constexpr std::size_t Group = 100;
    std::string opener;
    for (std::size_t g = 0; g <= (operands.size() - 1) / Group; ++g)
        opener += m_p + ".cat(";
    insert(node(n).begin, opener);
    for (std::size_t i = 0; i < operands.size(); ++i) {
        const int operand = operands[i];
        const bool call =
            node(operand).kind == NodeKind::Call || node(operand).kind == NodeKind::MethodCall;
        const bool last = i + 1 == operands.size();
        const bool groupEnd = !last && (i + 1) % Group == 0;
        // One value each, also from a call that ends an argument list.
        const bool cut = call && (last || groupEnd);
        if (cut)
            insert(node(operand).begin, "(");
        exp(operand, false);
        if (cut)
            insert(node(operand).end, ")");
        if (!last) {
            const Token &op = m_tokens[tokenFrom(node(operand).end)];
            replace(op.begin, op.end, groupEnd ? ")," : ",");
        }
    }
    insert(node(n).end, ")");
}

void Translator::call(int n)
{
    const int callee = node(n).firstChild;
    exp(callee, false);
    const int args = node(callee).next;
    // Lua 5.1 refuses a '(' on a later line than the function it calls.
    const Token &open = m_tokens[tokenFrom(node(callee).end)];
    if (open.type == '(') {
        const Token &before = m_tokens[tokenBefore(open.begin)];
        if (open.line > before.endLine) {
            insert(node(callee).end, "(");
            replace(open.begin, open.end, " ");
        }
    }
    for (int a = args; a != -1; a = node(a).next) {
        exp(a, false);
        if (node(a).next == -1 && open.type == '(')
            keepAllResults(a);
    }
}

void Translator::methodCall(int n)
{
    const int object = child(n, 0);
    const int method = child(n, 1);
    exp(object, false);
    const int firstArg = node(method).next;
    const Token &open = m_tokens[tokenFrom(node(method).end)];
    const std::string_view name = text(method);
    if (reservedIn51(name)) {
        // o:true(x) becomes meth(o, "true", x)
        insert(node(n).begin, m_p + ".meth(");
        std::string key = ", \"" + std::string(name) + "\"";
        if (open.type == '(') {
            replace(node(object).end, open.end, key + (firstArg != -1 ? ", " : ""));
        } else {
            replace(node(object).end, node(method).end, key + ", ");
            insert(node(n).end, ")");
        }
    } else if (open.type == '(') {
        const Token &before = m_tokens[tokenBefore(open.begin)];
        if (open.line > before.endLine) {
            insert(node(method).end, "(");
            replace(open.begin, open.end, " ");
        }
    }
    for (int a = firstArg; a != -1; a = node(a).next) {
        exp(a, false);
        if (node(a).next == -1 && open.type == '(')
            keepAllResults(a);
    }
}

void Translator::table(int n)
{
    const Node &t = node(n);
    for (int part = t.firstChild; part != -1; part = node(part).next) {
        if (node(part).kind == NodeKind::ListPart) {
            for (int item = node(part).firstChild; item != -1; item = node(item).next) {
                // Every list item is one value, a call at the end too.
                const NodeKind kind = node(item).kind;
                const bool cut = node(item).next == -1 &&
                                 (kind == NodeKind::Call || kind == NodeKind::MethodCall);
                if (cut)
                    insert(node(item).begin, "(");
                exp(item, false);
                if (cut)
                    insert(node(item).end, ")");
            }
        } else {
            for (int field = node(part).firstChild; field != -1; field = node(field).next) {
                const int key = child(field, 0);
                if (node(key).kind == NodeKind::Name && (node(key).flags & NodeFlag::FieldName)) {
                    if (reservedIn51(text(key)))
                        replace(node(key).begin, node(key).end,
                                "[\"" + std::string(text(key)) + "\"]");
                } else {
                    exp(key, false);
                }
                exp(child(field, 1), false);
            }
        }
    }
    // Lua 5.1 takes no ';' after an empty part or after a trailing ','.
    const std::size_t first = tokenFrom(t.begin) + 1;
    int depth = 0;
    for (std::size_t i = first; i < m_tokens.size() && m_tokens[i].begin < t.end; ++i) {
        const int type = m_tokens[i].type;
        if (type == '{' || type == '(' || type == '[')
            ++depth;
        else if (type == '}' || type == ')' || type == ']')
            --depth;
        else if (type == ';' && depth == 0) {
            const int before = m_tokens[i - 1].type;
            if (before == '{' || before == ',')
                replace(m_tokens[i].begin, m_tokens[i].end, " ");
        }
    }
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

Translation translate(std::string_view source)
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
    Translator translator(text, parsed.tree, std::move(tokens), result.prefix);
    result.code = translator.run();
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
