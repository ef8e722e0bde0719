#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plua {

// What a node stands for, and (in the comment) its children in order.
enum class NodeKind : std::uint8_t {
    Chunk,             // Block
    Block,             // statements
    Local,             // NameList [ExpList]
    Assign,            // VarList ExpList
    CallStatement,     // Call or MethodCall
    Do,                // Block
    While,             // condition Block
    Repeat,            // Block condition
    If,                // condition Block {condition Block} [Block]
    NumericFor,        // Name start limit [step] Block
    TableFor,          // Name Name table Block
    FunctionStatement, // Name [Name] Function; NodeFlag::Method for a:b
    Return,            // [ExpList]
    Break,
    NameList, // Name...
    ExpList,  // expressions
    VarList,  // Name, Index or Field targets
    Nil,
    Number,
    String,
    Function,    // Parameters Block; `line` is the line of `function`
    Parameters,  // Name...; NodeFlag::Vararg when it ends in `...`
    Table,       // ListPart and RecordPart, in source order
    ListPart,    // expressions
    RecordPart,  // RecordField...
    RecordField, // key value; the key is a Name (NodeFlag::FieldName) or an expression
    Paren,       // expression
    Name,        // NodeFlag::Local, Global or FieldName
    Upvalue,     // %name; NodeFlag::Local (of the enclosing function) or Global
    Index,       // object key            (a[k])
    Field,       // object Name           (a.k)
    Call,        // function arguments... (f(x), f{...}, f"s")
    MethodCall,  // object Name arguments...
    Binary,      // left right; `op` is the operator's token type
    Unary,       // operand; `op` is '-' or Tok::Not
};

namespace NodeFlag {
enum : std::uint8_t {
    Local = 1,
    Global = 2,
    FieldName = 4,
    Method = 8,
    Vararg = 16,
};
} // namespace NodeFlag

struct Node
{
    NodeKind kind = NodeKind::Chunk;
    std::uint8_t flags = 0;
    std::uint16_t op = 0;
    std::uint32_t begin = 0; // byte range of the node's source text
    std::uint32_t end = 0;
    std::int32_t line = 0; // line of the first token
    std::int32_t firstChild = -1;
    std::int32_t lastChild = -1;
    std::int32_t next = -1; // next sibling
};

// One function of a program, for an outline.
struct FunctionEntry
{
    std::string name; // "f", "t.f", "t:f", or "function" when it has none
    int line = 0;     // line of `function`
    int depth = 0;    // 0 for a function of the main chunk
    int node = -1;    // its Function node
};

// The syntax tree of one program: nodes in one array, children linked as
// first child and next sibling. Node 0 is the Chunk once parsing has begun.
// Text is viewed in the source, so the source must outlive the tree.
class SyntaxTree
{
public:
    SyntaxTree() = default;
    explicit SyntaxTree(std::string_view source) : m_source(source) {}

    std::string_view source() const { return m_source; }
    bool empty() const { return m_nodes.empty(); }
    std::size_t size() const { return m_nodes.size(); }
    const Node &node(int index) const { return m_nodes[static_cast<std::size_t>(index)]; }
    std::string_view text(int index) const;

    // Children of `index` in order.
    std::vector<int> children(int index) const;

    // Every function with a name and line, outermost first, in source order.
    std::vector<FunctionEntry> functions() const;

    // Building (used by the parser).
    int add(NodeKind kind, std::uint32_t begin, std::int32_t line);
    void append(int parent, int child);
    Node &at(int index) { return m_nodes[static_cast<std::size_t>(index)]; }
    void reserve(std::size_t count) { m_nodes.reserve(count); }
    // When off, nodes are not kept: add() reuses one scratch node.
    void setRecording(bool on) { m_recording = on; }

private:
    void collectFunctions(int index, int depth, std::vector<FunctionEntry> &out) const;

    std::string_view m_source;
    std::vector<Node> m_nodes;
    bool m_recording = true;
};

} // namespace plua
