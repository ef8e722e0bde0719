#include "palmdocdatabase.h"

#include "palmdoccodec.h"
#include "palmdocrecords.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace palmdoc {

namespace {

// Fewer records than this per thread are not worth a thread.
constexpr std::size_t RecordsPerThread = 32;

struct CompressedPart
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> sizes;
    std::exception_ptr error;
};

// Unicode code points of Windows-1252 bytes 0x80-0x9F; 0 where the byte has
// no character.
constexpr std::array<char32_t, 32> Windows1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// Decodes one UTF-8 sequence at s[i]; returns U+FFFFFFFF for invalid input.
char32_t nextCodePoint(std::string_view s, std::size_t &i)
{
    constexpr char32_t Invalid = 0xFFFFFFFF;
    const auto lead = static_cast<unsigned char>(s[i++]);
    if (lead < 0x80)
        return lead;
    std::size_t extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return Invalid;
    }
    for (std::size_t k = 0; k < extra; ++k) {
        if (i >= s.size())
            return Invalid;
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80)
            return Invalid;
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return Invalid;
    return cp;
}

int windows1252Byte(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (std::size_t k = 0; k < Windows1252High.size(); ++k) {
        if (Windows1252High[k] != 0 && Windows1252High[k] == cp)
            return static_cast<int>(0x80 + k);
    }
    return -1;
}

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string hexCodePoint(char32_t cp)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string hex;
    for (int shift = cp > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4)
        hex += Digits[(cp >> shift) & 0xF];
    return "U+" + hex;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

void toHandheldLineEnds(std::vector<std::uint8_t> &text)
{
    std::size_t out = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        if (text[i] == '\r') {
            text[out++] = '\n';
            if (i + 1 < size && text[i + 1] == '\n')
                ++i;
        } else {
            text[out++] = text[i];
        }
    }
    text.resize(out);
}

NameResult makeDatabaseName(std::string_view utf8)
{
    NameResult result;
    if (utf8.empty()) {
        result.error = "it is empty";
        return result;
    }
    std::size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = nextCodePoint(utf8, i);
        if (cp == 0xFFFFFFFF) {
            result.error = "it is not valid UTF-8";
            return result;
        }
        if (cp < 0x20 || cp == 0x7F) {
            result.error = "it contains a control character (" + hexCodePoint(cp) + ")";
            return result;
        }
        const int byte = windows1252Byte(cp);
        if (byte < 0) {
            result.error = "it contains " + hexCodePoint(cp) + ", which Windows-1252 cannot hold";
            return result;
        }
        result.name += static_cast<char>(byte);
    }
    if (result.name.size() > MaxNameLength) {
        constexpr std::string_view LuaEnding = ".lua";
        const bool lua = result.name.ends_with(LuaEnding);
        result.name.resize(lua ? MaxNameLength - LuaEnding.size() : MaxNameLength);
        if (lua)
            result.name += LuaEnding;
        result.shortened = true;
    }
    return result;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        char32_t cp = c;
        if (c >= 0x80 && c < 0xA0)
            cp = Windows1252High[c - 0x80] != 0 ? Windows1252High[c - 0x80] : 0xFFFD;
        appendUtf8(out, cp);
    }
    return out;
}

std::uint32_t palmTimeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    // The handheld keeps local time, counted from 1904-01-01.
    const std::int64_t days = daysFromCivil(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) -
                              daysFromCivil(1904, 1, 1);
    const std::int64_t seconds =
        days * 86400 + local.tm_hour * 3600 + local.tm_min * 60 + std::min(local.tm_sec, 59);
    return static_cast<std::uint32_t>(seconds);
}

std::vector<std::uint8_t> buildDatabase(std::span<const std::uint8_t> text, std::string_view name,
                                        std::uint32_t palmTime, unsigned threads)
{
    if (name.empty() || name.size() > MaxNameLength || name.find('\0') != std::string_view::npos)
        throw std::invalid_argument("palmdoc: a database name has 1 to 31 bytes and no NUL");
    if (text.size() > MaxTextLength)
        throw std::length_error("palmdoc: the text is longer than a Palm DOC can hold");

    const std::size_t textRecords = (text.size() + RecordSize - 1) / RecordSize;
    const std::size_t records = textRecords + 1;
    const std::size_t record0At = HeaderSize + records * RecordEntrySize + 2;

    std::vector<std::uint8_t> out(record0At + Record0Size, 0);
    DatabaseHeader header;
    header.name = name;
    header.creationDate = palmTime;
    header.modificationDate = palmTime;
    header.type = {'T', 'E', 'X', 't'};
    header.creator = {'R', 'E', 'A', 'd'};
    header.recordCount = static_cast<std::uint16_t>(records);
    putHeader(out, header);

    put16(out, record0At, CompressionPalmDoc);
    put32(out, record0At + 4, static_cast<std::uint32_t>(text.size()));
    put16(out, record0At + 8, static_cast<std::uint32_t>(textRecords));
    put16(out, record0At + 10, RecordSize);

    // Records are independent: contiguous runs of them are compressed in
    // parallel and joined in order, so the result does not depend on threads.
    std::size_t workers =
        threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    workers = std::max<std::size_t>(1, std::min(workers, textRecords / RecordsPerThread));
    std::vector<CompressedPart> parts(workers);
    auto compressPart = [&](std::size_t part) {
        try {
            Encoder encoder;
            CompressedPart &p = parts[part];
            p.bytes.reserve(textRecords * RecordSize / workers / 2);
            for (std::size_t r = textRecords * part / workers;
                 r < textRecords * (part + 1) / workers; ++r) {
                const std::size_t begin = r * RecordSize;
                const std::size_t length = std::min(RecordSize, text.size() - begin);
                const std::size_t before = p.bytes.size();
                encoder.compressRecord(text.subspan(begin, length), p.bytes);
                p.sizes.push_back(p.bytes.size() - before);
            }
        } catch (...) {
            parts[part].error = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> pool;
        std::size_t next = 1;
        try {
            for (; next < workers; ++next)
                pool.emplace_back(compressPart, next);
        } catch (const std::system_error &) {
            for (; next < workers; ++next) // no more threads: do the rest here
                compressPart(next);
        }
        compressPart(0);
    } // joins the pool
    for (const CompressedPart &part : parts) {
        if (part.error)
            std::rethrow_exception(part.error);
    }

    std::size_t total = out.size();
    for (const CompressedPart &part : parts)
        total += part.bytes.size();
    out.reserve(total);
    std::vector<std::size_t> offsets{record0At};
    for (const CompressedPart &part : parts) {
        std::size_t at = out.size();
        for (std::size_t size : part.sizes) {
            offsets.push_back(at);
            at += size;
        }
        out.insert(out.end(), part.bytes.begin(), part.bytes.end());
    }
    // Attributes 0; unique IDs 1, 2, 3, ...
    for (std::size_t r = 0; r < records; ++r)
        putRecordEntry(
            out, r, {static_cast<std::uint32_t>(offsets[r]), 0, static_cast<std::uint32_t>(r + 1)});
    return out;
}

} // namespace palmdoc
