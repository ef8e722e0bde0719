#include "plua/programtext.h"

namespace plua {

std::string handheldText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    if (out.empty() || out.back() != '\n')
        out += '\n';
    return out;
}

} // namespace plua
