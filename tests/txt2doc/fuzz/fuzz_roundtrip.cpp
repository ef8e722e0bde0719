// libFuzzer target: arbitrary bytes as a text. Encoding must decode back to
// the text, reach the exhaustive minimum on small records, and whole
// databases must read back; database names never come out invalid.

#include "palmdoccodec.h"
#include "palmdocdatabase.h"
#include "palmdocoracle.h"

#include <algorithm>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::uint8_t> record(data, data + std::min(size, palmdoc::RecordSize));
    const std::vector<std::uint8_t> encoded = palmdoc::compressRecord(record);
    std::vector<std::uint8_t> decoded;
    if (palmdoc::decompressRecord(encoded, decoded).error != palmdoc::DecodeError::None ||
        decoded != record)
        std::abort();
    if (record.size() <= 48 && encoded.size() != palmdoc_oracle::minimumEncodedSize(record))
        std::abort();

    std::vector<std::uint8_t> text(data, data + size);
    palmdoc::toHandheldLineEnds(text);
    if (std::find(text.begin(), text.end(), '\r') != text.end())
        std::abort();
    const std::vector<std::uint8_t> db = palmdoc::buildDatabase(text, "fuzz.lua", 0);
    const palmdoc::ParsedDatabase parsed = palmdoc::parseDatabase(db);
    if (!parsed.error.empty() || parsed.text != text)
        std::abort();

    const std::string nameInput(reinterpret_cast<const char *>(data),
                                std::min<std::size_t>(size, 64));
    const palmdoc::NameResult name = palmdoc::makeDatabaseName(nameInput);
    if (name.error.empty() && (name.name.empty() || name.name.size() > palmdoc::MaxNameLength ||
                               name.name.find('\0') != std::string::npos))
        std::abort();
    return 0;
}
