#pragma once

// The Palm database container, whatever its records hold: the 78-byte
// header, the record list (offset, attributes, unique id per record), two
// gap bytes and the records, back to back. The Palm DOC writer and reader
// build on it, and so does the simulator's import and export.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace palmdoc {

inline constexpr std::size_t HeaderSize = 78;
inline constexpr std::size_t MaxNameLength = 31;
inline constexpr std::uint16_t ResourceDatabaseAttribute = 0x0001;
inline constexpr std::uint32_t MaxUniqueId = 0xFFFFFF; // three bytes in the record list

struct DatabaseHeader
{
    std::string name; // as stored (Windows-1252), without its terminating zero
    std::uint16_t attributes = 0;
    std::uint16_t version = 0;
    std::uint32_t creationDate = 0; // seconds since 1904-01-01, local time
    std::uint32_t modificationDate = 0;
    std::uint32_t backupDate = 0;
    std::uint32_t modificationNumber = 0;
    std::uint32_t appInfoOffset = 0;
    std::uint32_t sortInfoOffset = 0;
    std::array<std::uint8_t, 4> type{};
    std::array<std::uint8_t, 4> creator{};
    std::uint32_t uniqueIdSeed = 0;
    std::uint32_t nextRecordList = 0;
    std::uint16_t recordCount = 0;
};

struct RecordEntry
{
    std::uint32_t offset = 0;
    std::uint8_t attributes = 0;
    std::uint32_t uniqueId = 0; // 0..MaxUniqueId
};

// Big-endian fields, as every integer in the file is.
inline void put16(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t value)
{
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}

inline void put32(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t value)
{
    put16(out, at, value >> 16);
    put16(out, at + 2, value & 0xFFFF);
}

inline std::uint32_t get16(std::span<const std::uint8_t> in, std::size_t at)
{
    return (std::uint32_t{in[at]} << 8) | in[at + 1];
}

inline std::uint32_t get32(std::span<const std::uint8_t> in, std::size_t at)
{
    return (get16(in, at) << 16) | get16(in, at + 2);
}

// Writes header into out[0, HeaderSize), which must exist; the name must
// have at most 31 bytes. Bytes after the name stay zero.
void putHeader(std::vector<std::uint8_t> &out, const DatabaseHeader &header);
// Writes record entry `index` of the record list.
void putRecordEntry(std::vector<std::uint8_t> &out, std::size_t index, const RecordEntry &entry);

// Reads the header's fields from bytes: the reason they are no Palm database
// header (too short, a name without its terminating zero), or an empty string.
std::string readHeader(std::span<const std::uint8_t> bytes, DatabaseHeader &header);
// Reads header.recordCount record entries and checks that each record
// starts after the list, within the file and not before the one before it:
// the reason when not, or an empty string.
std::string readRecordList(std::span<const std::uint8_t> bytes, std::size_t recordCount,
                           std::vector<RecordEntry> &entries);

// A whole record database in memory.
struct RecordDatabase
{
    struct Record
    {
        std::uint8_t attributes = 0;
        std::uint32_t uniqueId = 0;
        std::vector<std::uint8_t> bytes;
    };
    DatabaseHeader header; // recordCount is taken from records when written
    std::vector<Record> records;
};

struct ParsedRecordDatabase
{
    std::string error; // empty when the bytes are a record database this reader keeps whole
    RecordDatabase database;
};

// Writes a record database as the handheld's sync tools store it: the header,
// the record list, two zero bytes and the records. Throws
// std::invalid_argument for a name that is empty, longer than 31 bytes or
// holds a zero byte, a unique id over MaxUniqueId, or more than 65535
// records or a file too large for the list's 32-bit offsets.
std::vector<std::uint8_t> writeRecordDatabase(const RecordDatabase &database);

// Reads a record database strictly, so that writeRecordDatabase gives the
// same bytes back: refuses resource databases, app info and sort info
// blocks, a chained record list, anything between the record list and the
// first record other than the two zero bytes, and bytes after the name's
// terminating zero. The error names what is wrong.
ParsedRecordDatabase readRecordDatabase(std::span<const std::uint8_t> bytes);

} // namespace palmdoc
