// libFuzzer target: arbitrary bytes as a Plua program. The front end must
// never crash or read out of bounds; checking with and without the tree must
// agree; a fault lies inside the text; a tree's nodes lie inside the source
// and inside their parents.

#include "plua/parser.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view source(reinterpret_cast<const char *>(data), size);
    const plua::ParseResult full = plua::parse(source);
    const plua::ParseResult quick = plua::parse(source, plua::ParseMode::CheckOnly);
    if (full.ok() != quick.ok())
        std::abort();
    if (!full.ok()) {
        const plua::Diagnostic &a = *full.error;
        const plua::Diagnostic &b = *quick.error;
        if (a.line != b.line || a.column != b.column || a.message != b.message)
            std::abort();
        std::size_t lines = 1;
        for (std::size_t i = 0; i < size; ++i) {
            if (source[i] == '\n' ||
                (source[i] == '\r' && (i + 1 == size || source[i + 1] != '\n')))
                ++lines;
        }
        if (a.line < 1 || static_cast<std::size_t>(a.line) > lines || a.column < 1 ||
            a.message.empty())
            std::abort();
        return 0;
    }
    const plua::SyntaxTree &tree = full.tree;
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const plua::Node &n = tree.node(static_cast<int>(i));
        if (n.begin > n.end || n.end > size || n.line < 1)
            std::abort();
        for (int c = n.firstChild; c != -1; c = tree.node(c).next) {
            const plua::Node &child = tree.node(c);
            if (child.begin < n.begin || child.end > n.end)
                std::abort();
        }
    }
    for (const plua::FunctionEntry &f : tree.functions()) {
        if (f.line < 1 || f.depth < 0 || tree.node(f.node).kind != plua::NodeKind::Function)
            std::abort();
    }
    return 0;
}
