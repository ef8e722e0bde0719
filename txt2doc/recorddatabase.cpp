#include "recorddatabase.h"

#include "palmdocrecords.h"

#include <algorithm>
#include <stdexcept>

namespace palmdoc {

namespace {

// Sync tools put two zero bytes between the record list and the records.
constexpr std::size_t GapSize = 2;

} // namespace

void putHeader(std::vector<std::uint8_t> &out, const DatabaseHeader &header)
{
    std::copy(header.name.begin(), header.name.end(), out.begin());
    put16(out, 32, header.attributes);
    put16(out, 34, header.version);
    put32(out, 36, header.creationDate);
    put32(out, 40, header.modificationDate);
    put32(out, 44, header.backupDate);
    put32(out, 48, header.modificationNumber);
    put32(out, 52, header.appInfoOffset);
    put32(out, 56, header.sortInfoOffset);
    std::copy(header.type.begin(), header.type.end(), out.begin() + 60);
    std::copy(header.creator.begin(), header.creator.end(), out.begin() + 64);
    put32(out, 68, header.uniqueIdSeed);
    put32(out, 72, header.nextRecordList);
    put16(out, 76, header.recordCount);
}

void putRecordEntry(std::vector<std::uint8_t> &out, std::size_t index, const RecordEntry &entry)
{
    const std::size_t at = HeaderSize + index * RecordEntrySize;
    put32(out, at, entry.offset);
    put32(out, at + 4, (std::uint32_t{entry.attributes} << 24) | (entry.uniqueId & MaxUniqueId));
}

std::string readHeader(std::span<const std::uint8_t> bytes, DatabaseHeader &header)
{
    if (bytes.size() < HeaderSize)
        return "the file is too short for a Palm database header (" + std::to_string(bytes.size()) +
               " bytes)";
    const auto nameEnd = std::find(bytes.begin(), bytes.begin() + 32, std::uint8_t{0});
    if (nameEnd == bytes.begin() + 32)
        return "the database name is not terminated";
    header.name.assign(bytes.begin(), nameEnd);
    header.attributes = static_cast<std::uint16_t>(get16(bytes, 32));
    header.version = static_cast<std::uint16_t>(get16(bytes, 34));
    header.creationDate = get32(bytes, 36);
    header.modificationDate = get32(bytes, 40);
    header.backupDate = get32(bytes, 44);
    header.modificationNumber = get32(bytes, 48);
    header.appInfoOffset = get32(bytes, 52);
    header.sortInfoOffset = get32(bytes, 56);
    std::copy_n(bytes.begin() + 60, 4, header.type.begin());
    std::copy_n(bytes.begin() + 64, 4, header.creator.begin());
    header.uniqueIdSeed = get32(bytes, 68);
    header.nextRecordList = get32(bytes, 72);
    header.recordCount = static_cast<std::uint16_t>(get16(bytes, 76));
    return {};
}

std::string readRecordList(std::span<const std::uint8_t> bytes, std::size_t recordCount,
                           std::vector<RecordEntry> &entries)
{
    const std::size_t listEnd = HeaderSize + recordCount * RecordEntrySize;
    if (listEnd > bytes.size())
        return "the record list runs past the end of the file";
    entries.assign(recordCount, RecordEntry{});
    for (std::size_t r = 0; r < recordCount; ++r) {
        const std::size_t entry = HeaderSize + r * RecordEntrySize;
        const std::size_t at = get32(bytes, entry);
        if (at < listEnd || at > bytes.size())
            return "record " + std::to_string(r) + " starts outside the file's data";
        if (r > 0 && at < entries[r - 1].offset)
            return "record " + std::to_string(r) + " starts before record " + std::to_string(r - 1);
        entries[r].offset = static_cast<std::uint32_t>(at);
        entries[r].attributes = bytes[entry + 4];
        entries[r].uniqueId = get32(bytes, entry + 4) & MaxUniqueId;
    }
    return {};
}

std::vector<std::uint8_t> writeRecordDatabase(const RecordDatabase &database)
{
    const DatabaseHeader &header = database.header;
    if (header.name.empty() || header.name.size() > MaxNameLength ||
        header.name.find('\0') != std::string::npos)
        throw std::invalid_argument("palmdoc: a database name has 1 to 31 bytes and no NUL");
    if (database.records.size() > 0xFFFF)
        throw std::invalid_argument("palmdoc: a database holds at most 65535 records");
    const std::size_t dataAt = HeaderSize + database.records.size() * RecordEntrySize + GapSize;
    std::uint64_t total = dataAt;
    for (const RecordDatabase::Record &record : database.records) {
        if (record.uniqueId > MaxUniqueId)
            throw std::invalid_argument("palmdoc: a record's unique id has three bytes");
        total += record.bytes.size();
    }
    if (total > 0xFFFFFFFFu)
        throw std::invalid_argument("palmdoc: the records do not fit 32-bit offsets");

    std::vector<std::uint8_t> out(dataAt, 0);
    out.reserve(total);
    DatabaseHeader written = header;
    written.recordCount = static_cast<std::uint16_t>(database.records.size());
    putHeader(out, written);
    for (std::size_t r = 0; r < database.records.size(); ++r) {
        const RecordDatabase::Record &record = database.records[r];
        putRecordEntry(
            out, r, {static_cast<std::uint32_t>(out.size()), record.attributes, record.uniqueId});
        out.insert(out.end(), record.bytes.begin(), record.bytes.end());
    }
    return out;
}

ParsedRecordDatabase readRecordDatabase(std::span<const std::uint8_t> bytes)
{
    ParsedRecordDatabase parsed;
    DatabaseHeader &header = parsed.database.header;
    auto fail = [&parsed](std::string reason) {
        parsed.error = std::move(reason);
        parsed.database = {};
        return parsed;
    };
    if (std::string error = readHeader(bytes, header); !error.empty())
        return fail(std::move(error));
    if (header.name.empty())
        return fail("the database name is empty");
    if (std::any_of(bytes.begin() + std::ptrdiff_t(header.name.size()), bytes.begin() + 32,
                    [](std::uint8_t b) { return b != 0; }))
        return fail("the bytes after the database name's terminating zero are not zero");
    if (header.attributes & ResourceDatabaseAttribute)
        return fail("it is a resource database (an application), not a record database");
    if (header.appInfoOffset != 0)
        return fail("it has an app info block (at byte " + std::to_string(header.appInfoOffset) +
                    "), which the simulated storage cannot keep");
    if (header.sortInfoOffset != 0)
        return fail("it has a sort info block (at byte " + std::to_string(header.sortInfoOffset) +
                    "), which the simulated storage cannot keep");
    if (header.nextRecordList != 0)
        return fail("its record list continues in another list (at byte " +
                    std::to_string(header.nextRecordList) + ")");
    std::vector<RecordEntry> entries;
    if (std::string error = readRecordList(bytes, header.recordCount, entries); !error.empty())
        return fail(std::move(error));

    const std::size_t listEnd = HeaderSize + entries.size() * RecordEntrySize;
    const std::size_t dataAt = entries.empty() ? bytes.size() : entries.front().offset;
    if (dataAt - listEnd != GapSize || bytes[listEnd] != 0 || bytes[listEnd + 1] != 0)
        return fail("the record list is followed by " + std::to_string(dataAt - listEnd) +
                    " bytes before the records, not by two zero bytes");
    parsed.database.records.resize(entries.size());
    for (std::size_t r = 0; r < entries.size(); ++r) {
        const std::size_t end = r + 1 < entries.size() ? entries[r + 1].offset : bytes.size();
        RecordDatabase::Record &record = parsed.database.records[r];
        record.attributes = entries[r].attributes;
        record.uniqueId = entries[r].uniqueId;
        record.bytes.assign(bytes.begin() + std::ptrdiff_t(entries[r].offset),
                            bytes.begin() + std::ptrdiff_t(end));
    }
    return parsed;
}

} // namespace palmdoc
