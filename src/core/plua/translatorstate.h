// The translator's class and the facts about Lua 5.1 its source files share.
#pragma once

#include "plua/lexer.h"
#include "plua/syntaxtree.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace plua::TranslatorInternals {

// Words Lua 5.1 reserves that are plain names in Lua 4.0.
inline bool reservedIn51(std::string_view name)
{
    return name == "true" || name == "false" || name == "in";
}

// Active locals Lua 5.1 allows in one function.
inline constexpr int MaxLocals51 = 200;

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
               std::string prefix, const std::vector<int> *entryCheckLines = nullptr,
               bool tagMethods = false)
        : m_src(source), m_tree(tree), m_tokens(std::move(tokens)), m_p(std::move(prefix)),
          m_entryCheckLines(entryCheckLines), m_tagOrder(tagMethods)
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
    // The debugger's look at a function's entry (see translate()).
    std::string entryCheck();
    // Whether the text from `begin` to `end` spans one of the lines of
    // m_entryCheckLines.
    bool spansCheckLine(std::uint32_t begin, std::uint32_t end);
    std::string upvalueCopy(std::string_view name) const { return m_p + "u_" + std::string(name); }
    bool isZeroLiteral(int n) const;
    std::optional<double> folded(int n, int &budget) const;
    // `n` inside any brackets.
    int unwrapped(int n) const;
    // For `not not (a or b)` at `n`: the `or` inside, else -1.
    int doublyDenied(int n) const;
    // The value of `n` when Lua 4.0 makes it a small whole constant.
    std::optional<int> smallInteger(int n) const;
    void keepNegativeZero(int n);
    std::string operandName(int n) const;
    void noteCall(int line, int n);
    // The operator after `left` on the line where `left` ends, spelled `as`
    // if given.
    void operatorAfter(int left, std::string_view as = {});

public:
    // Lines where Lua 5.1 puts a call over several lines, and where it ends.
    const std::map<int, int> &callEnds() const { return m_callEnds; }
    // See Translation::swappedOrderLines.
    std::vector<int> swappedOrderLines() const;

private:
    static bool isNameByte(char c)
    {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_';
    }
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
    void returnList(int n);
    void exp(int n, bool test);
    void target(int n);
    // exp's steps: a chain's link before and after its left side, the rest.
    int descend(int n, bool test, bool *innerTest);
    void finish(int n, bool test);
    void leaf(int n);
    void concat(int n);
    void callArguments(int n);
    void methodArguments(int n);
    void table(int n);
    void keepAllResults(int n);

    std::string_view m_src;
    const SyntaxTree &m_tree;
    std::vector<Token> m_tokens;
    std::string m_p;
    const std::vector<int> *m_entryCheckLines = nullptr; // sorted; see translate()
    std::vector<std::uint32_t> m_lineStarts;             // made for the first check
    int m_functionCount = 0;                             // numbers the entry checks
    std::vector<Edit> m_edits;
    std::map<int, int> m_callEnds;
    std::vector<Function> m_functions;
    // Number literals written as strings, so that Lua 5.1 does not fold them.
    std::set<int> m_unfolded;
    int m_target = -1; // the assignment target being translated
    // `or`s under two `not`s whose true operands keep their values.
    std::set<int> m_truthChains;
    std::set<int> m_dropped; // the first `not` of each such pair
    // Lines with ordering comparisons whose operands Lua 5.1 names the other
    // way round (true) or as 4.0 does (false); both makes the line false.
    std::map<int, bool> m_orderLines;
    // The program sets tag methods: <, >, <= and >= ask the library, which
    // orders values of two types as Lua 4.0 does.
    bool m_tagOrder = false;
};

} // namespace plua::TranslatorInternals
