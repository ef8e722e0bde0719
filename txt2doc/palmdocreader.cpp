// Reading Palm DOC databases: the header check and the strict parser.
#include "palmdocdatabase.h"

#include "palmdoccodec.h"
#include "palmdocfile.h"
#include "palmdocrecords.h"

#include <algorithm>

namespace palmdoc {

namespace {

std::uint32_t get16(std::span<const std::uint8_t> in, std::size_t at)
{
    return (std::uint32_t{in[at]} << 8) | in[at + 1];
}

std::uint32_t get32(std::span<const std::uint8_t> in, std::size_t at)
{
    return (get16(in, at) << 16) | get16(in, at + 2);
}

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
    if (header.size() < HeaderSize)
        return "the file is too short for a Palm database header (" +
               std::to_string(header.size()) + " bytes)";
    if (std::find(header.begin(), header.begin() + 32, std::uint8_t{0}) == header.begin() + 32)
        return "the database name is not terminated";
    const auto type = header.subspan(60, 4);
    const auto creator = header.subspan(64, 4);
    const std::uint8_t expected[] = {'T', 'E', 'X', 't', 'R', 'E', 'A', 'd'};
    if (!std::equal(type.begin(), type.end(), expected) ||
        !std::equal(creator.begin(), creator.end(), expected + 4))
        return "type '" + printableTag(type) + "' and creator '" + printableTag(creator) +
               "' are not those of a Palm DOC (TEXt, REAd)";
    if (get16(header, 32) & 0x0001)
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
    const auto nameEnd = std::find(bytes.begin(), bytes.begin() + 32, std::uint8_t{0});
    db.name.assign(bytes.begin(), nameEnd);

    const std::size_t records = get16(bytes, 76);
    if (records == 0)
        return fail("the database has no records");
    const std::size_t listEnd = HeaderSize + records * RecordEntrySize;
    if (listEnd > bytes.size())
        return fail("the record list runs past the end of the file");
    std::vector<std::size_t> offsets(records + 1, bytes.size());
    for (std::size_t r = 0; r < records; ++r) {
        const std::size_t at = get32(bytes, HeaderSize + r * RecordEntrySize);
        if (at < listEnd || at > bytes.size())
            return fail("record " + std::to_string(r) + " starts outside the file's data");
        if (r > 0 && at < offsets[r - 1])
            return fail("record " + std::to_string(r) + " starts before record " +
                        std::to_string(r - 1));
        offsets[r] = at;
    }
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
