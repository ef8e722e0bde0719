#pragma once

// Palm DOC databases: a 78-byte Palm database header, a record list, record 0
// describing the text, then the text in compressed records of 4096 bytes.

#include "recorddatabase.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace palmdoc {

inline constexpr std::size_t MaxTextRecords = 65534; // plus record 0: 65535 records
inline constexpr std::uint64_t MaxTextLength = std::uint64_t{MaxTextRecords} * 4096;
// The largest file a Palm DOC can be: the header, a full record list with
// its two gap bytes, record 0 and 65534 text records. A compressed record
// yields at most 4096 bytes and every token yields at least one byte for at
// most two, so no valid text record is longer than 8192 bytes.
inline constexpr std::uint64_t MaxDatabaseSize =
    HeaderSize + (MaxTextRecords + 1) * 8 + 2 + 16 + MaxTextRecords * 8192;
// Seconds from the handheld's epoch (1904-01-01) to the Unix epoch.
inline constexpr std::uint32_t PalmEpochOffset = 2082844800u;

// CR LF and a lone CR become LF; every other byte stays as it is. Works in
// place, as the text may be hundreds of megabytes.
void toHandheldLineEnds(std::vector<std::uint8_t> &text);

struct NameResult
{
    std::string name; // Windows-1252 bytes, 1..31 of them, when error is empty
    bool shortened = false;
    std::string error; // why the name cannot be stored ("it is empty")
};

// Turns a UTF-8 database name into the stored Windows-1252 name. A name over
// 31 bytes is shortened, keeping a ".lua" ending so the handheld still lists
// it. Refuses an empty name, invalid UTF-8, control characters and characters
// that Windows-1252 has no byte for.
NameResult makeDatabaseName(std::string_view utf8);

// Windows-1252 bytes back to UTF-8 (bytes without a character become U+FFFD).
std::string windows1252ToUtf8(std::string_view bytes);

// The current local time in the handheld's epoch.
std::uint32_t palmTimeNow();

// Builds a compressed Palm DOC. name must be a stored name as returned by
// makeDatabaseName, text already in handheld line ends and at most
// MaxTextLength bytes; otherwise std::invalid_argument or std::length_error.
// Long texts are compressed on up to threads threads (0: one per core); the
// bytes are the same for any number of threads.
std::vector<std::uint8_t> buildDatabase(std::span<const std::uint8_t> text, std::string_view name,
                                        std::uint32_t palmTime, unsigned threads = 0);

struct ParsedDatabase
{
    std::string error; // empty when the bytes are a valid Palm DOC
    std::string name;  // as stored (Windows-1252)
    bool compressed = false;
    std::vector<std::uint8_t> text;
};

// Checks the first HeaderSize bytes alone (name, type, creator and
// attributes): the reason they are not a Palm DOC's, or an empty string. Lets
// a reader give up on a stream without reading it to the end.
std::string headerError(std::span<const std::uint8_t> header);

// Reads a Palm DOC strictly: header, record list, record 0 and every text
// record must be well-formed, and the text length in record 0 must match the
// text the records hold.
ParsedDatabase parseDatabase(std::span<const std::uint8_t> bytes);

} // namespace palmdoc
