// Reading Palm DOC databases: the header check and the strict parser.
#include "palmdocdatabase.h"

#include "palmdoccodec.h"
#include "palmdocfile.h"
#include "palmdocrecords.h"

#include <algorithm>

namespace palmdoc {

namespace {

std::string printableTag(std::span<const std::uint8_t> bytes)
{
    std::string tag;
    for (std::uint8_t c : bytes)
        tag += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    return tag;
}

} // namespace

std::string headerError(std::span<const std::uint8_t> header)
{
    DatabaseHeader fields;
    if (std::string error = readHeader(header, fields); !error.empty())
        return error;
    const auto type = header.subspan(60, 4);
    const auto creator = header.subspan(64, 4);
    const std::uint8_t expected[] = {'T', 'E', 'X', 't', 'R', 'E', 'A', 'd'};
    if (!std::equal(type.begin(), type.end(), expected) ||
        !std::equal(creator.begin(), creator.end(), expected + 4))
        return "type '" + printableTag(type) + "' and creator '" + printableTag(creator) +
               "' are not those of a Palm DOC (TEXt, REAd)";
    if (fields.attributes & ResourceDatabaseAttribute)
        return "it is a resource database, not a Palm DOC";
    return {};
}

ParsedDatabase parseDatabase(std::span<const std::uint8_t> bytes)
{
    ParsedDatabase db;
    auto fail = [&db](std::string reason) {
        db.error = std::move(reason);
        db.text.clear();
        return db;
    };
    if (std::string error = headerError(bytes.first(std::min(bytes.size(), HeaderSize)));
        !error.empty())
        return fail(std::move(error));
    DatabaseHeader header;
    readHeader(bytes, header); // checked above
    db.name = header.name;

    const std::size_t records = header.recordCount;
    if (records == 0)
        return fail("the database has no records");
    std::vector<RecordEntry> entries;
    if (std::string error = readRecordList(bytes, records, entries); !error.empty())
        return fail(std::move(error));
    std::vector<std::size_t> offsets(records + 1, bytes.size());
    for (std::size_t r = 0; r < records; ++r)
        offsets[r] = entries[r].offset;
    auto recordBytes = [&](std::size_t r) {
        return bytes.subspan(offsets[r], offsets[r + 1] - offsets[r]);
    };

    const auto record0 = recordBytes(0);
    if (record0.size() < Record0Size)
        return fail("record 0 is shorter than 16 bytes");
    const std::uint32_t compression = get16(record0, 0);
    if (compression != CompressionNone && compression != CompressionPalmDoc)
        return fail("record 0 names an unknown compression type (" + std::to_string(compression) +
                    ")");
    db.compressed = compression == CompressionPalmDoc;
    const std::uint32_t textLength = get32(record0, 4);
    const std::size_t textRecords = get16(record0, 8);
    if (textRecords > records - 1)
        return fail("record 0 names " + std::to_string(textRecords) +
                    " text records but the database holds " + std::to_string(records - 1));
    if (textLength > std::uint64_t{textRecords} * RecordSize)
        return fail("record 0 gives a text length of " + std::to_string(textLength) +
                    " bytes, more than its " + std::to_string(textRecords) +
                    " text records can hold");

    // Records are decoded straight into the text, which grows by one record's
    // room at a time within a single allocation (only touched memory is used,
    // whatever length record 0 claims).
    db.text.reserve(textRecords * RecordSize);
    adviseLargePages(db.text.data(), db.text.capacity());
    std::size_t produced = 0;
    for (std::size_t r = 1; r <= textRecords; ++r) {
        const auto record = recordBytes(r);
        auto where = [r] { return "text record " + std::to_string(r); };
        if (record.empty())
            return fail(where() + " is empty");
        if (!db.compressed && record.size() > RecordSize)
            return fail(where() + " holds more than 4096 bytes");
        db.text.resize(produced + RecordSize);
        if (db.compressed) {
            const DecodeResult decoded = decompressRecordInto(record, db.text.data() + produced);
            if (decoded.error != DecodeError::None)
                return fail(where() + ": " + describe(decoded.error) + " (at byte " +
                            std::to_string(decoded.offset) + ")");
            produced += decoded.produced;
        } else {
            std::copy(record.begin(), record.end(), db.text.begin() + std::ptrdiff_t(produced));
            produced += record.size();
        }
    }
    db.text.resize(produced);
    if (db.text.size() != textLength)
        return fail("record 0 gives a text length of " + std::to_string(textLength) +
                    " bytes but the text records hold " + std::to_string(db.text.size()));
    return db;
}

} // namespace palmdoc
