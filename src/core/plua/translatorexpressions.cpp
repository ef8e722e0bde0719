// The translation of expressions, calls and tables.
#include "plua/translatorstate.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace plua::TranslatorInternals {

namespace {

bool isComparison(int op)
{
    return op == Tok::Eq || op == Tok::Ne || op == '<' || op == Tok::Le || op == '>' ||
           op == Tok::Ge;
}

bool isOrder(int op)
{
    return op == '<' || op == Tok::Le || op == '>' || op == Tok::Ge;
}

// The helper that orders a and b as Lua 4.0 does for `a op b`.
std::string orderHelper(int op)
{
    return op == '<' ? "lt" : op == '>' ? "gt" : op == Tok::Le ? "le" : "ge";
}

// The operators Lua 5.1 folds on constants (^ becomes a call, see finish).
bool isArithmetic(int op)
{
    return op == '+' || op == '-' || op == '*' || op == '/';
}

} // namespace

std::string Translator::operandName(int n) const
{
    const Node &e = node(n);
    if (e.kind == NodeKind::Name)
        return std::string(e.flags & NodeFlag::Local ? "local `" : "global `") +
               std::string(text(n)) + "'";
    if (e.kind == NodeKind::Field)
        return "field `" + std::string(text(child(n, 1))) + "'";
    return {};
}

// Lua 5.1 puts a call on the line of its opening bracket; Lua 4.0 on the
// line where the call ends. Noted for calls over several lines.
void Translator::noteCall(int line, int n)
{
    const int end = m_tokens[tokenBefore(node(n).end)].endLine;
    if (end <= line)
        return;
    const auto [at, added] = m_callEnds.emplace(line, end);
    if (!added && at->second != end)
        at->second = 0; // two such calls start on this line: no telling which
}

bool Translator::isZeroLiteral(int n) const
{
    if (node(n).kind != NodeKind::Number)
        return false;
    const std::string number(text(n));
    return std::strtod(number.c_str(), nullptr) == 0.0;
}

int Translator::unwrapped(int n) const
{
    while (node(n).kind == NodeKind::Paren)
        n = node(n).firstChild;
    return n;
}

int Translator::doublyDenied(int n) const
{
    // An even number of `not`s, walked in a loop: they may be many.
    const auto isNot = [this](int i) {
        return node(i).kind == NodeKind::Unary && node(i).op == Tok::Not;
    };
    for (;;) {
        const int inner = unwrapped(node(n).firstChild);
        if (!isNot(inner))
            return -1;
        const int below = unwrapped(node(inner).firstChild);
        if (node(below).kind == NodeKind::Binary && node(below).op == Tok::Or)
            return below;
        if (!isNot(below))
            return -1;
        n = below;
    }
}

std::optional<int> Translator::smallInteger(int n) const
{
    // What Lua 4.0 pushes with PUSHINT: a whole number literal up to
    // 2^25 - 1, in brackets or under unary minus (which it folds) or not.
    constexpr double Largest = (1 << 25) - 1;
    int sign = 1;
    for (;;) {
        const Node &e = node(n);
        if (e.kind == NodeKind::Paren) {
            n = e.firstChild;
        } else if (e.kind == NodeKind::Unary && e.op == '-') {
            sign = -sign;
            n = e.firstChild;
        } else {
            break;
        }
    }
    if (node(n).kind != NodeKind::Number)
        return std::nullopt;
    const double v = std::strtod(std::string(text(n)).c_str(), nullptr);
    if (!(v <= Largest) || v != std::floor(v))
        return std::nullopt;
    return sign * static_cast<int>(v);
}

// The number Lua 5.1 computes for `n` while compiling, or none when it
// leaves the arithmetic to run time. Past `budget` nodes it gives up: a
// long sum of constants is no -0 a program means.
std::optional<double> Translator::folded(int n, int &budget) const
{
    if (--budget < 0)
        return std::nullopt;
    const Node &e = node(n);
    switch (e.kind) {
    case NodeKind::Number:
        return std::strtod(std::string(text(n)).c_str(), nullptr);
    case NodeKind::Paren:
        return folded(e.firstChild, budget);
    case NodeKind::Unary: {
        if (e.op != '-')
            return std::nullopt;
        if (isZeroLiteral(e.firstChild))
            return 0.0; // translated to 0
        const std::optional<double> v = folded(e.firstChild, budget);
        return v ? std::optional<double>(-*v) : std::nullopt;
    }
    case NodeKind::Binary: {
        if (!isArithmetic(e.op))
            return std::nullopt;
        const std::optional<double> a = folded(child(n, 0), budget);
        const std::optional<double> b = a ? folded(child(n, 1), budget) : std::nullopt;
        if (!b || (e.op == '/' && *b == 0.0))
            return std::nullopt;
        double r = 0;
        switch (e.op) {
        case '+':
            r = *a + *b;
            break;
        case '-':
            r = *a - *b;
            break;
        case '*':
            r = *a * *b;
            break;
        default:
            r = *a / *b;
            break;
        }
        return std::isnan(r) ? std::nullopt : std::optional<double>(r);
    }
    default:
        return std::nullopt;
    }
}

// Lua 4.0 computes 0 * -1 when it runs, giving -0. Lua 5.1 folds it into a
// constant, and its constants -0 and 0 are one: writing the first number
// as a string leaves the sum to run time.
void Translator::keepNegativeZero(int n)
{
    int budget = 64;
    const std::optional<double> v = folded(n, budget);
    if (!v || *v != 0.0 || !std::signbit(*v))
        return;
    int first = n;
    while (node(first).kind != NodeKind::Number) {
        const Node &e = node(first);
        if (e.kind == NodeKind::Unary && isZeroLiteral(e.firstChild))
            break;
        first = e.firstChild;
    }
    m_unfolded.insert(first);
}

// Lua 4.0 has no tail calls: `return f()` keeps the caller on the stack,
// where an error or an overflow names its line. keep() passes the results on.
void Translator::returnList(int n)
{
    const int only = node(n).firstChild;
    const int inner = unwrapped(only);
    // a ^ b becomes a call too (see finish).
    const bool call =
        node(only).next == -1 &&
        (node(inner).kind == NodeKind::Call || node(inner).kind == NodeKind::MethodCall ||
         (node(inner).kind == NodeKind::Binary && node(inner).op == '^'));
    if (call)
        insert(node(only).begin, m_p + ".keep(");
    expList(n, true);
    if (call)
        insert(node(only).end, ")");
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
    const int inner = unwrapped(n);
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
    m_target = n;
    exp(n, false);
    m_target = -1;
}

// Chains (1 + 1 + 1 ..., a.b.c ..., f()() ..., a[1][1] ..., o:m():m() ...)
// nest on their left and may be as long as the program: they are walked
// with a loop, not a call per link. Each link's edits before its left side
// (descend) and after it (finish) come in the order a recursion gives.
void Translator::exp(int n, bool test)
{
    struct Link
    {
        int node;
        bool test;
    };
    std::vector<Link> links;
    for (;;) {
        bool innerTest = false;
        const int inner = descend(n, test, &innerTest);
        if (inner < 0)
            break;
        links.push_back({n, test});
        n = inner;
        test = innerTest;
    }
    leaf(n);
    for (auto link = links.rbegin(); link != links.rend(); ++link)
        finish(link->node, link->test);
}

int Translator::descend(int n, bool test, bool *innerTest)
{
    const Node &e = node(n);
    *innerTest = false;
    switch (e.kind) {
    case NodeKind::Paren:
        *innerTest = test;
        return e.firstChild;
    case NodeKind::Field:
    case NodeKind::Index:
    case NodeKind::MethodCall:
    case NodeKind::Call:
        return e.firstChild;
    case NodeKind::Unary:
        if (e.op == '-' && isZeroLiteral(e.firstChild)) {
            // Lua 4.0 has no negative zero constant; Lua 5.1 would also
            // fold -0 and a later 0 into one constant.
            replace(e.begin, e.end, m_unfolded.count(n) ? "\"0\"" : "0");
            return -1;
        }
        if (e.op == '-')
            keepNegativeZero(n);
        if (e.op == Tok::Not && !test) {
            if (const int chain = doublyDenied(n); chain != -1) {
                // Lua 4.0 keeps the value of a true operand of an `or`
                // under two `not`s: not not (a or b) is a when a is true.
                const int inner = unwrapped(e.firstChild);
                replace(e.begin, m_tokens[tokenFrom(e.begin)].end, "   ");
                replace(node(inner).begin, m_tokens[tokenFrom(node(inner).begin)].end, "   ");
                m_truthChains.insert(chain);
                m_dropped.insert(n);
                return node(inner).firstChild;
            }
        }
        if (e.op == Tok::Not && !test) {
            insert(e.begin, "(");
            *innerTest = true;
        } else {
            *innerTest = e.op == Tok::Not;
        }
        return e.firstChild;
    case NodeKind::Binary: {
        if (e.op == Tok::Concat)
            return -1;
        const int left = child(n, 0);
        if (e.op == Tok::And || e.op == Tok::Or) {
            // `and` and `or` share one level in Lua 4.0: a or b and c is (a or b) and c.
            const Node &l = node(left);
            if (l.kind == NodeKind::Binary && e.op == Tok::And && l.op == Tok::Or)
                insert(l.begin, "(");
            *innerTest = test;
            return left;
        }
        if (isArithmetic(e.op))
            keepNegativeZero(n);
        if (e.op == '^') {
            insert(e.begin, m_p + ".pow(");
            noteCall(m_tokens[tokenFrom(e.begin)].line, n);
        }
        if (m_tagOrder && isOrder(e.op)) {
            // Lua 4.0 orders values of two types by tag method; Lua 5.1
            // refuses before asking.
            insert(e.begin, m_p + "." + orderHelper(e.op) + "(");
            noteCall(m_tokens[tokenFrom(e.begin)].line, n);
        } else if (isComparison(e.op) && !test) {
            // Comparisons give 1 or nil, never true or false.
            insert(e.begin, "(");
        }
        if ((e.op == Tok::Ge || e.op == Tok::Le) && !m_tagOrder) {
            // Lua 4.0's a >= b is not (a < b) and a <= b is not (b < a),
            // NaN and all, where Lua 5.1 asks whether b <= a and a <= b.
            insert(e.begin, "not (");
        }
        return left;
    }
    default:
        return -1;
    }
}

void Translator::finish(int n, bool test)
{
    const Node &e = node(n);
    switch (e.kind) {
    case NodeKind::Field: {
        const int field = child(n, 1);
        if (reservedIn51(text(field))) {
            const std::size_t dot = tokenBefore(node(field).begin);
            replace(m_tokens[dot].begin, node(field).end, "[\"" + std::string(text(field)) + "\"]");
        }
        break;
    }
    case NodeKind::Index: {
        const int key = child(n, 1);
        exp(key, false);
        // Lua 4.0 refuses to read t[nil]; Lua 5.1 gives nil. A store to
        // t[nil] fails in both, after its value is made.
        const NodeKind kind = node(key).kind;
        if (n != m_target && kind != NodeKind::Number && kind != NodeKind::String)
            insert(node(key).end, " or " + m_p + ".nilindex()");
        break;
    }
    case NodeKind::Call:
        callArguments(n);
        break;
    case NodeKind::MethodCall:
        methodArguments(n);
        break;
    case NodeKind::Unary:
        if (e.op == Tok::Not && !test && !m_dropped.count(n))
            insert(e.end, " and 1 or nil)");
        break;
    case NodeKind::Binary: {
        const int left = child(n, 0);
        const int right = child(n, 1);
        if (e.op == Tok::And || e.op == Tok::Or) {
            const Node &l = node(left);
            if (l.kind == NodeKind::Binary && e.op == Tok::And && l.op == Tok::Or)
                insert(l.end, ")");
            operatorAfter(left);
            if (e.op == Tok::Or && m_truthChains.count(n)) {
                // Its last operand is made 1 or nil; the others keep their values.
                int last = unwrapped(right);
                while (node(last).kind == NodeKind::Binary && node(last).op == Tok::Or)
                    last = unwrapped(child(last, 1));
                insert(node(last).begin, "(");
                exp(right, test);
                insert(node(last).end, " and 1 or nil)");
                break;
            }
            exp(right, test);
            break;
        }
        if (e.op == '^' || (m_tagOrder && isOrder(e.op))) {
            // In Lua 4.0 a ^ b is the pow tag method of a or b, numbers'
            // being the power; an ordering goes to the library (see descend).
            const Token &op = m_tokens[tokenFrom(node(left).end)];
            replace(op.begin, op.end, ",");
            exp(right, false);
            insert(e.end, ")");
            break;
        }
        if (e.op == '-') {
            // Lua 4.0 compiles a - k, k a small whole number, as a + -k:
            // the add tag method hears of it, and -0 - 0 is 0.
            if (const std::optional<int> k = smallInteger(right)) {
                operatorAfter(left, "+");
                replace(node(right).begin, node(right).end, "(" + std::to_string(-*k) + ")");
                break;
            }
        }
        const bool negated = (e.op == Tok::Ge || e.op == Tok::Le) && !m_tagOrder;
        if (isOrder(e.op) && !m_tagOrder) {
            const bool swapped = e.op == '>' || e.op == Tok::Le;
            for (int line = m_tokens[tokenFrom(e.begin)].line;
                 line <= m_tokens[tokenBefore(e.end)].endLine; ++line) {
                const auto [at, added] = m_orderLines.emplace(line, swapped);
                if (!added)
                    at->second = at->second && swapped;
            }
        }
        operatorAfter(left, !negated ? std::string_view() : e.op == Tok::Ge ? "<" : ">");
        exp(right, false);
        if (negated)
            insert(e.end, ")");
        if (isComparison(e.op) && !test)
            insert(e.end, " and 1 or nil)");
        break;
    }
    default:
        break;
    }
}

// An expression that is no link of a chain.
void Translator::leaf(int n)
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
        // After a keyword (not%x, return%x) the copy's name needs a space
        // not to run into it.
        const bool joined = e.begin > 0 && isNameByte(m_src[e.begin - 1]);
        replace(e.begin, e.end, (joined ? " " : "") + upvalueCopy(name));
        break;
    }
    case NodeKind::Function: {
        std::string wrapper = function(n);
        if (!wrapper.empty())
            insert(e.begin, std::move(wrapper));
        break;
    }
    case NodeKind::Table:
        table(n);
        break;
    case NodeKind::Number:
        if (m_unfolded.count(n))
            replace(e.begin, e.end, "\"" + std::string(text(n)) + "\"");
        break;
    case NodeKind::Binary:
        if (e.op == Tok::Concat)
            concat(n);
        break;
    default:
        break;
    }
}

// An operator at the start of a line after its left operand moves up to
// the operand: Lua 5.1 takes the operand's last value (a field, say) when
// it reads the operator, and so names the operator's line for an error
// there, where Lua 4.0 names the operand's.
void Translator::operatorAfter(int left, std::string_view as)
{
    const std::size_t at = tokenFrom(node(left).end);
    if (at >= m_tokens.size())
        return;
    const Token &op = m_tokens[at];
    const std::string text(as.empty() ? m_src.substr(op.begin, op.end - op.begin) : as);
    if (op.line <= m_tokens[tokenBefore(node(left).end)].endLine) {
        if (!as.empty())
            replace(op.begin, op.end, text);
        return;
    }
    replace(op.begin, op.end, "");
    insert(node(left).end, " " + text);
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
    // What Lua 4.0 calls each operand in an error ("local `x'"), for a
    // chain short enough to be one call: catd takes them first.
    std::string names;
    bool named = false;
    for (std::size_t i = 0; operands.size() <= Group && i < operands.size(); ++i) {
        const std::string name = operandName(operands[i]);
        named = named || !name.empty();
        names += (i > 0 ? "|" : "") + name;
    }
    if (named)
        opener = m_p + ".catd(\"" + names + "\", ";
    insert(node(n).begin, opener);
    noteCall(m_tokens[tokenFrom(node(n).begin)].line, n);
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

void Translator::callArguments(int n)
{
    const int callee = node(n).firstChild;
    const int args = node(callee).next;
    // Lua 5.1 refuses a '(' on a later line than the function it calls.
    const Token &open = m_tokens[tokenFrom(node(callee).end)];
    int callLine = open.line;
    if (open.type == '(') {
        const Token &before = m_tokens[tokenBefore(open.begin)];
        if (open.line > before.endLine) {
            insert(node(callee).end, "(");
            replace(open.begin, open.end, " ");
            callLine = before.endLine;
        }
    }
    noteCall(callLine, n);
    const bool tableArgument = open.type == '{' && m_tagOrder;
    if (tableArgument)
        insert(node(callee).end, "(");
    for (int a = args; a != -1; a = node(a).next) {
        exp(a, false);
        if (node(a).next == -1 && open.type == '(')
            keepAllResults(a);
    }
    if (tableArgument)
        insert(node(n).end, ")");
}

void Translator::methodArguments(int n)
{
    const int object = child(n, 0);
    const int method = child(n, 1);
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
            noteCall(before.endLine, n);
        } else {
            noteCall(open.line, n);
        }
    } else if (open.type == '{' && m_tagOrder) {
        insert(node(method).end, "(");
        insert(node(n).end, ")");
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
    if (m_tagOrder) {
        // Tag 4's methods apply to it (see callArguments for f{...}).
        insert(t.begin, m_p + ".new(");
        insert(t.end, ")");
    }
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

} // namespace plua::TranslatorInternals
