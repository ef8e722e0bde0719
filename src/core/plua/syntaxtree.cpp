#include "plua/syntaxtree.h"

#include <algorithm>

namespace plua {

std::string_view SyntaxTree::text(int index) const
{
    const Node &n = node(index);
    return m_source.substr(n.begin, n.end - n.begin);
}

std::vector<int> SyntaxTree::children(int index) const
{
    std::vector<int> out;
    for (int c = node(index).firstChild; c != -1; c = node(c).next)
        out.push_back(c);
    return out;
}

int SyntaxTree::add(NodeKind kind, std::uint32_t begin, std::int32_t line)
{
    Node n;
    n.kind = kind;
    n.begin = begin;
    n.end = begin;
    n.line = line;
    if (!m_recording) {
        m_nodes.resize(1);
        m_nodes[0] = n;
        return 0;
    }
    m_nodes.push_back(n);
    return static_cast<int>(m_nodes.size() - 1);
}

void SyntaxTree::append(int parent, int child)
{
    if (!m_recording)
        return;
    Node &p = at(parent);
    if (p.lastChild == -1)
        p.firstChild = child;
    else
        at(p.lastChild).next = child;
    p.lastChild = child;
}

std::vector<FunctionEntry> SyntaxTree::functions() const
{
    std::vector<FunctionEntry> out;
    if (!m_nodes.empty())
        collectFunctions(0, 0, out);
    return out;
}

// Visits nodes in source order with an explicit stack: a long chain such as
// a+b+c+... nests deeply in the tree without nesting in the parser.
void SyntaxTree::collectFunctions(int index, int depth, std::vector<FunctionEntry> &out) const
{
    struct Pending
    {
        int node;
        int depth;
    };
    std::vector<Pending> stack;
    const auto pushChildren = [&](int parent, int childDepth) {
        const std::size_t first = stack.size();
        for (int c = node(parent).firstChild; c != -1; c = node(c).next)
            stack.push_back({c, childDepth});
        std::reverse(stack.begin() + static_cast<std::ptrdiff_t>(first), stack.end());
    };
    pushChildren(index, depth);
    while (!stack.empty()) {
        const Pending current = stack.back();
        stack.pop_back();
        const Node &n = node(current.node);
        if (n.kind == NodeKind::FunctionStatement) {
            std::string name;
            int body = -1;
            for (int part = n.firstChild; part != -1; part = node(part).next) {
                if (node(part).kind == NodeKind::Name) {
                    if (!name.empty())
                        name += (n.flags & NodeFlag::Method) ? ':' : '.';
                    name += text(part);
                } else {
                    body = part;
                }
            }
            if (body != -1) {
                out.push_back({name, node(body).line, current.depth, body});
                pushChildren(body, current.depth + 1);
            }
        } else if (n.kind == NodeKind::Function) {
            out.push_back({"function", n.line, current.depth, current.node});
            pushChildren(current.node, current.depth + 1);
        } else {
            pushChildren(current.node, current.depth);
        }
    }
}

} // namespace plua
