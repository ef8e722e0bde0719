// libFuzzer target: arbitrary bytes as a compressed record, as a whole
// Palm DOC and as a record database. The decoder must stay within its limits
// and never crash; whatever it accepts, the encoder must encode at least as
// small and read back the same. A record database it reads is written back
// as the same bytes.

#include "palmdoccodec.h"
#include "palmdocdatabase.h"

#include <algorithm>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);

    const palmdoc::ParsedRecordDatabase records = palmdoc::readRecordDatabase(bytes);
    if (records.error.empty() &&
        !std::ranges::equal(palmdoc::writeRecordDatabase(records.database), bytes))
        std::abort();

    std::vector<std::uint8_t> text;
    const palmdoc::DecodeResult record = palmdoc::decompressRecord(bytes, text);
    if (text.size() > palmdoc::RecordSize || record.produced != text.size())
        std::abort();
    if (record.error == palmdoc::DecodeError::None) {
        // The input is one valid encoding of text: the optimal one is no longer.
        const std::vector<std::uint8_t> encoded = palmdoc::compressRecord(text);
        if (encoded.size() > size)
            std::abort();
        std::vector<std::uint8_t> again;
        if (palmdoc::decompressRecord(encoded, again).error != palmdoc::DecodeError::None ||
            again != text)
            std::abort();
    } else if (record.offset >= size) {
        std::abort();
    }

    const palmdoc::ParsedDatabase db = palmdoc::parseDatabase(bytes);
    if (!db.error.empty()) {
        if (!db.text.empty())
            std::abort();
        return 0;
    }
    const std::vector<std::uint8_t> rebuilt = palmdoc::buildDatabase(db.text, "fuzz.lua", 0);
    const palmdoc::ParsedDatabase back = palmdoc::parseDatabase(rebuilt);
    if (!back.error.empty() || back.text != db.text)
        std::abort();
    return 0;
}
