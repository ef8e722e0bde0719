#include "palmdoccodec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace palmdoc {

namespace {

// Copy lengths 3..10 each get their own hash chains, so that "the nearest
// earlier position that starts with the same k bytes" is one short walk.
constexpr std::size_t Levels = MaxCopy - MinCopy + 1;
constexpr unsigned HashBits = 13;
constexpr std::size_t Buckets = std::size_t{1} << HashBits;
constexpr std::size_t Padding = 16;

// Token choices made by the parse, one per position.
constexpr std::uint8_t ChoiceLiteral = 0;
constexpr std::uint8_t ChoiceSpacePair = 1;
constexpr std::uint8_t ChoiceRawBase = 16;  // + run length 1..8
constexpr std::uint8_t ChoiceCopyBase = 32; // + copy length 3..10

inline bool needsRawRun(std::uint8_t c)
{
    return (c >= 0x01 && c <= 0x08) || c >= 0x80;
}

inline std::uint64_t load64(const std::uint8_t *p)
{
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        std::uint64_t r = 0;
        for (int i = 0; i < 8; ++i)
            r |= ((v >> (8 * (7 - i))) & 0xFF) << (8 * i);
        v = r;
    }
    return v; // byte p[0] in the low bits
}

inline std::uint64_t prefixMask(std::size_t k)
{
    return k >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * k)) - 1;
}

// Number of equal leading bytes of a and b, at most limit (limit <= 10).
inline std::size_t commonLength(const std::uint8_t *a, const std::uint8_t *b, std::size_t limit)
{
    std::uint64_t x = load64(a) ^ load64(b);
    std::size_t n;
    if (x != 0)
        n = static_cast<std::size_t>(std::countr_zero(x)) / 8;
    else if (a[8] != b[8])
        n = 8;
    else
        n = a[9] != b[9] ? 9 : 10;
    return std::min(n, limit);
}

inline std::size_t bucketOf(std::uint64_t low8, std::uint64_t extra, std::size_t k)
{
    constexpr std::uint64_t Mul1 = 0x9E3779B97F4A7C15ull;
    constexpr std::uint64_t Mul2 = 0xC2B2AE3D27D4EB4Full;
    std::uint64_t key = low8 & prefixMask(k);
    if (k > 8)
        key = key * Mul2 + (extra & (k == 9 ? 0xFFu : 0xFFFFu));
    return static_cast<std::size_t>((key * Mul1) >> (64 - HashBits));
}

} // namespace

Encoder::Encoder()
    : m_buffer(RecordSize + Padding), m_head(Levels * Buckets), m_chain(Levels * RecordSize),
      m_matchLength(RecordSize), m_matchDistance(RecordSize), m_cost(RecordSize + 1),
      m_choice(RecordSize)
{}

void Encoder::compressRecord(std::span<const std::uint8_t> record, std::vector<std::uint8_t> &out)
{
    const std::size_t n = record.size();
    if (n > RecordSize)
        throw std::length_error("palmdoc: a record holds at most 4096 bytes");
    if (n == 0)
        return;
    std::memcpy(m_buffer.data(), record.data(), n);
    std::memset(m_buffer.data() + n, 0, Padding);
    findMatches(n);
    chooseTokens(n);
    emit(n, out);
}

// For every position, the longest copy (capped at 10) from at most 2047 bytes
// back. Exact: the walk climbs from length k to the nearest earlier position
// sharing k bytes, measures how far that match goes and continues one length
// above it, so it never misses a longer match.
void Encoder::findMatches(std::size_t n)
{
    std::fill(m_head.begin(), m_head.end(), std::uint16_t{0});
    const std::uint8_t *s = m_buffer.data();
    std::size_t buckets[Levels];

    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t cap = std::min(MaxCopy, n - i);
        const std::uint64_t low8 = load64(s + i);
        const std::uint64_t extra = s[i + 8] | (std::uint64_t{s[i + 9]} << 8);
        for (std::size_t k = MinCopy; k <= cap; ++k)
            buckets[k - MinCopy] = bucketOf(low8, extra, k);

        std::size_t best = 0;
        std::size_t bestDistance = 0;
        std::size_t k = MinCopy;
        if (i > 0 && m_matchLength[i - 1] > MinCopy) {
            // The previous position's match, one byte shorter, still holds here.
            bestDistance = m_matchDistance[i - 1];
            best = commonLength(s + i - bestDistance, s + i, cap);
            k = best + 1;
        }
        while (k <= cap) {
            const std::size_t level = k - MinCopy;
            const std::uint16_t *chain = m_chain.data() + level * RecordSize;
            const std::uint64_t mask = prefixMask(k);
            std::size_t link = m_head[level * Buckets + buckets[level]];
            std::size_t found = 0;
            while (link != 0) {
                const std::size_t p = link - 1;
                if (i - p > MaxDistance)
                    break;
                if (((load64(s + p) ^ low8) & mask) == 0 &&
                    (k <= 8 || std::memcmp(s + p + 8, s + i + 8, k - 8) == 0)) {
                    found = link;
                    break;
                }
                link = chain[p];
            }
            if (found == 0)
                break;
            const std::size_t p = found - 1;
            best = commonLength(s + p, s + i, cap);
            bestDistance = i - p;
            k = best + 1;
        }
        m_matchLength[i] = static_cast<std::uint8_t>(best);
        m_matchDistance[i] = static_cast<std::uint16_t>(bestDistance);

        for (std::size_t kk = MinCopy; kk <= cap; ++kk) {
            const std::size_t level = kk - MinCopy;
            std::uint16_t &head = m_head[level * Buckets + buckets[level]];
            m_chain[level * RecordSize + i] = head;
            head = static_cast<std::uint16_t>(i + 1);
        }
    }
}

// Shortest path over positions: m_cost[i] is the fewest bytes that encode the
// record from i to its end. A raw run never needs to start on a byte that is
// its own literal (that byte plus a shorter run costs the same), so runs are
// only tried where one is required.
void Encoder::chooseTokens(std::size_t n)
{
    const std::uint8_t *s = m_buffer.data();
    std::uint32_t *cost = m_cost.data();
    cost[n] = 0;
    for (std::size_t i = n; i-- > 0;) {
        const std::uint8_t c = s[i];
        std::uint32_t best;
        std::uint8_t choice;
        if (needsRawRun(c)) {
            best = 2 + cost[i + 1];
            choice = ChoiceRawBase + 1;
            const std::size_t longest = std::min(MaxRawRun, n - i);
            for (std::size_t m = 2; m <= longest; ++m) {
                const std::uint32_t candidate = static_cast<std::uint32_t>(1 + m) + cost[i + m];
                if (candidate < best) {
                    best = candidate;
                    choice = static_cast<std::uint8_t>(ChoiceRawBase + m);
                }
            }
        } else {
            best = 1 + cost[i + 1];
            choice = ChoiceLiteral;
            if (c == 0x20 && i + 1 < n && s[i + 1] >= 0x40 && s[i + 1] <= 0x7F &&
                1 + cost[i + 2] < best) {
                best = 1 + cost[i + 2];
                choice = ChoiceSpacePair;
            }
        }
        const std::size_t longestCopy = m_matchLength[i];
        for (std::size_t length = MinCopy; length <= longestCopy; ++length) {
            const std::uint32_t candidate = 2 + cost[i + length];
            if (candidate < best) {
                best = candidate;
                choice = static_cast<std::uint8_t>(ChoiceCopyBase + length);
            }
        }
        cost[i] = best;
        m_choice[i] = choice;
    }
}

void Encoder::emit(std::size_t n, std::vector<std::uint8_t> &out) const
{
    const std::uint8_t *s = m_buffer.data();
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t choice = m_choice[i];
        if (choice == ChoiceLiteral) {
            out.push_back(s[i]);
            i += 1;
        } else if (choice == ChoiceSpacePair) {
            out.push_back(static_cast<std::uint8_t>(s[i + 1] ^ 0x80));
            i += 2;
        } else if (choice >= ChoiceCopyBase) {
            const std::size_t length = choice - ChoiceCopyBase;
            const std::size_t pair =
                0x8000 | (std::size_t{m_matchDistance[i]} << 3) | (length - MinCopy);
            out.push_back(static_cast<std::uint8_t>(pair >> 8));
            out.push_back(static_cast<std::uint8_t>(pair & 0xFF));
            i += length;
        } else {
            const std::size_t length = choice - ChoiceRawBase;
            out.push_back(static_cast<std::uint8_t>(length));
            out.insert(out.end(), s + i, s + i + length);
            i += length;
        }
    }
}

std::vector<std::uint8_t> compressRecord(std::span<const std::uint8_t> record)
{
    Encoder encoder;
    std::vector<std::uint8_t> out;
    encoder.compressRecord(record, out);
    return out;
}

const char *describe(DecodeError error)
{
    switch (error) {
    case DecodeError::None:
        return "no error";
    case DecodeError::OutputTooLong:
        return "a record decodes to more than 4096 bytes";
    case DecodeError::RunCut:
        return "a run of bytes is cut off by the end of its record";
    case DecodeError::CopyCut:
        return "a copy is cut off by the end of its record";
    case DecodeError::ZeroDistance:
        return "a copy has distance 0";
    case DecodeError::DistanceBeforeStart:
        return "a copy reaches before the start of its record";
    }
    return "unknown error";
}

DecodeResult decompressRecordInto(std::span<const std::uint8_t> record, std::uint8_t *out)
{
    const std::size_t size = record.size();
    DecodeResult result;
    std::size_t i = 0;
    std::size_t produced = 0;
    auto fail = [&](DecodeError error, std::size_t at) {
        result.error = error;
        result.offset = at;
        result.produced = produced;
        return result;
    };
    while (i < size) {
        const std::size_t tokenStart = i;
        const std::uint8_t c = record[i++];
        if (c >= 0x01 && c <= 0x08) {
            if (size - i < c)
                return fail(DecodeError::RunCut, tokenStart);
            if (produced + c > RecordSize)
                return fail(DecodeError::OutputTooLong, tokenStart);
            std::memcpy(out + produced, record.data() + i, c);
            produced += c;
            i += c;
        } else if (c < 0x80) {
            if (produced + 1 > RecordSize)
                return fail(DecodeError::OutputTooLong, tokenStart);
            out[produced++] = c;
        } else if (c >= 0xC0) {
            if (produced + 2 > RecordSize)
                return fail(DecodeError::OutputTooLong, tokenStart);
            out[produced++] = 0x20;
            out[produced++] = static_cast<std::uint8_t>(c ^ 0x80);
        } else {
            if (i >= size)
                return fail(DecodeError::CopyCut, tokenStart);
            const std::size_t pair = (std::size_t{c} << 8) | record[i++];
            const std::size_t distance = (pair & 0x3FFF) >> 3;
            const std::size_t length = (pair & 7) + MinCopy;
            if (distance == 0)
                return fail(DecodeError::ZeroDistance, tokenStart);
            if (distance > produced)
                return fail(DecodeError::DistanceBeforeStart, tokenStart);
            if (produced + length > RecordSize)
                return fail(DecodeError::OutputTooLong, tokenStart);
            // Byte by byte: a copy may overlap the bytes it produces.
            const std::uint8_t *from = out + produced - distance;
            for (std::size_t k = 0; k < length; ++k)
                out[produced + k] = from[k];
            produced += length;
        }
    }
    result.produced = produced;
    return result;
}

DecodeResult decompressRecord(std::span<const std::uint8_t> record, std::vector<std::uint8_t> &out)
{
    const std::size_t start = out.size();
    out.resize(start + RecordSize);
    const DecodeResult result = decompressRecordInto(record, out.data() + start);
    out.resize(start + result.produced);
    return result;
}

} // namespace palmdoc
