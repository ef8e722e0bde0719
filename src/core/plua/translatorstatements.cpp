// The translation of statements, for loops and functions.
#include "plua/translatorstate.h"

#include <algorithm>

namespace plua::TranslatorInternals {

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
            returnList(s.firstChild);
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

std::string Translator::entryCheck()
{
    // The number is the first number the compiled function holds: the
    // debugger reads it there to tell which function is which.
    return " if " + m_p + "[" + std::to_string(++m_functionCount) + "] then " + m_p + ".dbg() end";
}

bool Translator::spansCheckLine(std::uint32_t begin, std::uint32_t end)
{
    if (m_lineStarts.empty()) {
        m_lineStarts.push_back(0);
        for (std::uint32_t i = 0; i < m_src.size(); ++i)
            if (m_src[i] == '\n')
                m_lineStarts.push_back(i + 1);
    }
    const auto lineOf = [this](std::uint32_t pos) {
        return static_cast<int>(std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), pos) -
                                m_lineStarts.begin());
    };
    const auto first =
        std::lower_bound(m_entryCheckLines->begin(), m_entryCheckLines->end(), lineOf(begin));
    return first != m_entryCheckLines->end() && *first <= lineOf(end);
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
    if (m_entryCheckLines && spansCheckLine(node(n).begin, node(n).end))
        insert(node(params).end, entryCheck());
    if (node(params).flags & NodeFlag::Vararg) {
        const std::string made = "{n = " + m_p + ".select(\"#\", ...), ...}";
        insert(node(params).end,
               " local arg = " + (m_tagOrder ? m_p + ".new(" + made + ")" : made) + ";");
    }

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

} // namespace plua::TranslatorInternals
