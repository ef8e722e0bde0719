#pragma once

// The true minimum size of a PalmDOC record, found without the encoder's
// model: a shortest path over "how much of the record is produced", where
// every step is one token tried byte by byte. All 256 first bytes and, for
// copies, all 256 second bytes are tried; a token counts only when what the
// decoder would produce from it continues the record exactly. Every valid
// encoding is such a path, so the result is the smallest encoding there is.
// Cost: about 16000 candidate copies per position (fine up to a full record).

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace palmdoc_oracle {

inline std::size_t minimumEncodedSize(const std::vector<std::uint8_t> &text)
{
    const std::size_t n = text.size();
    constexpr std::size_t Unreached = std::numeric_limits<std::size_t>::max();
    std::vector<std::size_t> best(n + 1, Unreached);
    best[0] = 0;
    auto relax = [&](std::size_t to, std::size_t cost) {
        if (cost < best[to])
            best[to] = cost;
    };
    for (std::size_t p = 0; p < n; ++p) {
        if (best[p] == Unreached)
            continue;
        for (unsigned first = 0; first < 256; ++first) {
            if (first >= 1 && first <= 8) {
                // The run's bytes must be the record's next bytes: one choice.
                if (p + first <= n)
                    relax(p + first, best[p] + 1 + first);
            } else if (first < 0x80) {
                if (text[p] == first)
                    relax(p + 1, best[p] + 1);
            } else if (first >= 0xC0) {
                if (p + 2 <= n && text[p] == 0x20 && text[p + 1] == (first ^ 0x80))
                    relax(p + 2, best[p] + 1);
            } else {
                for (unsigned second = 0; second < 256; ++second) {
                    const unsigned pair = (first << 8) | second;
                    const std::size_t distance = (pair & 0x3FFF) >> 3;
                    const std::size_t length = (pair & 7) + 3;
                    if (distance == 0 || distance > p || p + length > n)
                        continue;
                    // Copying byte by byte from a text equal to the record
                    // so far reproduces it exactly when this holds.
                    bool matches = true;
                    for (std::size_t k = 0; k < length && matches; ++k)
                        matches = text[p + k] == text[p + k - distance];
                    if (matches)
                        relax(p + length, best[p] + 2);
                }
            }
        }
    }
    return best[n];
}

} // namespace palmdoc_oracle
