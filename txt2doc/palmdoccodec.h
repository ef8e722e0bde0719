#pragma once

// PalmDOC record compression. Each text record of a Palm DOC is compressed on
// its own with a small LZ77 variant whose tokens are:
//   0x00, 0x09-0x7F  the byte itself
//   0x01-0x08        the next 1..8 bytes, taken as they are
//   0x80-0xBF + 1    a copy of 3..10 bytes from 1..2047 bytes back
//   0xC0-0xFF        a space followed by the byte XOR 0x80 (0x40-0x7F)
// The encoder finds the shortest encoding the token set allows (an optimal
// parse); the decoder accepts only well-formed records.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace palmdoc {

inline constexpr std::size_t RecordSize = 4096;
inline constexpr std::size_t MinCopy = 3;
inline constexpr std::size_t MaxCopy = 10;
inline constexpr std::size_t MaxDistance = 2047;
inline constexpr std::size_t MaxRawRun = 8;

// Reusable compressor. It owns its work tables, so one Encoder per thread
// compresses any number of records without allocating.
class Encoder
{
public:
    Encoder();

    // Appends the smallest encoding of record (at most RecordSize bytes) to
    // out. Throws std::length_error for a longer record.
    void compressRecord(std::span<const std::uint8_t> record, std::vector<std::uint8_t> &out);

private:
    void findMatches(std::size_t n);
    void chooseTokens(std::size_t n);
    void emit(std::size_t n, std::vector<std::uint8_t> &out) const;

    std::vector<std::uint8_t> m_buffer; // the record plus zero padding for wide loads
    std::vector<std::uint16_t> m_head;  // per copy length: hash bucket -> newest position + 1
    std::vector<std::uint16_t> m_chain; // per copy length: position -> older position + 1
    std::vector<std::uint8_t> m_matchLength;
    std::vector<std::uint16_t> m_matchDistance;
    std::vector<std::uint32_t> m_cost;
    std::vector<std::uint8_t> m_choice;
};

// Convenience wrapper around a temporary Encoder.
std::vector<std::uint8_t> compressRecord(std::span<const std::uint8_t> record);

enum class DecodeError {
    None,
    OutputTooLong,       // the record would decode to more than RecordSize bytes
    RunCut,              // a 0x01-0x08 run goes past the end of the record
    CopyCut,             // a copy's second byte is missing
    ZeroDistance,        // a copy with distance 0
    DistanceBeforeStart, // a copy reaching before the start of the record
};

// A short English description ("a copy reaches before the start of the record").
const char *describe(DecodeError error);

struct DecodeResult
{
    DecodeError error = DecodeError::None;
    std::size_t offset = 0;   // where in the compressed record the bad token starts
    std::size_t produced = 0; // bytes appended to the output
};

// Decodes one compressed record into out, which has room for RecordSize
// bytes; result.produced says how many were written. On an error the bytes
// decoded before the bad token stay written.
DecodeResult decompressRecordInto(std::span<const std::uint8_t> record, std::uint8_t *out);

// Decodes one compressed record and appends its text to out. On an error the
// bytes decoded before the bad token stay appended.
DecodeResult decompressRecord(std::span<const std::uint8_t> record, std::vector<std::uint8_t> &out);

} // namespace palmdoc
