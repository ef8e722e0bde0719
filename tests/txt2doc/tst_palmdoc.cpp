// The Palm DOC codec and database format, tested in-process against an
// exhaustive search for the smallest encoding and against the format's rules.

#include "palmdoccodec.h"
#include "palmdocdatabase.h"
#include "palmdocoracle.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTest>

#include <random>
#include <stdexcept>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes toBytes(const QByteArray &data)
{
    return Bytes(data.begin(), data.end());
}

QByteArray toByteArray(const Bytes &data)
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
}

QByteArray randomText(std::mt19937 &random, const QByteArray &alphabet, int length)
{
    QByteArray text;
    std::uniform_int_distribution<int> pick(0, int(alphabet.size()) - 1);
    for (int i = 0; i < length; ++i)
        text += alphabet[pick(random)];
    return text;
}

QByteArray allBytes()
{
    QByteArray all;
    for (int c = 0; c < 256; ++c)
        all += char(c);
    return all;
}

// Some real Lua, so that the tables also see the matches of program text.
QByteArray luaSample(qsizetype size)
{
    QByteArray text;
    const QStringList files = QDir(QStringLiteral("/usr/share/nmap/nselib"))
                                  .entryList({QStringLiteral("*.lua")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        QFile file(QStringLiteral("/usr/share/nmap/nselib/") + name);
        if (file.open(QIODevice::ReadOnly))
            text += file.readAll();
        if (text.size() >= size)
            break;
    }
    while (!text.isEmpty() && text.size() < size)
        text += text;
    return text.left(size);
}

std::uint32_t get16(const Bytes &b, std::size_t at)
{
    return (std::uint32_t(b[at]) << 8) | b[at + 1];
}

std::uint32_t get32(const Bytes &b, std::size_t at)
{
    return (get16(b, at) << 16) | get16(b, at + 2);
}

void put16(Bytes &b, std::size_t at, std::uint32_t v)
{
    b[at] = std::uint8_t(v >> 8);
    b[at + 1] = std::uint8_t(v);
}

void put32(Bytes &b, std::size_t at, std::uint32_t v)
{
    put16(b, at, v >> 16);
    put16(b, at + 2, v & 0xFFFF);
}

enum Corruption {
    WrongType,
    WrongCreator,
    Resource,
    NoRecords,
    ListPastEnd,
    OffsetBeforeList,
    OffsetsDescending,
    Record0Short,
    UnknownCompression,
    TooManyTextRecords,
    LengthPlusOne,
    LengthMinusOne,
    EmptyTextRecord,
    BadToken,
    NameUnterminated,
    HeaderOnly,
};

} // namespace

Q_DECLARE_METATYPE(palmdoc::DecodeError)

class tst_PalmDoc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void encoderReachesMinimum_data();
    void encoderReachesMinimum();
    void fullRecordsReachMinimum_data();
    void fullRecordsReachMinimum();
    void decoderRejects_data();
    void decoderRejects();
    void decoderAccepts_data();
    void decoderAccepts();
    void lineEnds_data();
    void lineEnds();
    void names_data();
    void names();
    void databaseLayout_data();
    void databaseLayout();
    void recordBoundaries_data();
    void recordBoundaries();
    void databaseRejects_data();
    void databaseRejects();
    void everyTruncationIsRejected();
    void uncompressedDatabaseIsRead();
    void tooLongRecordIsRefused();
    void threadsDoNotChangeTheBytes();
    void docIsARecordDatabase_data();
    void docIsARecordDatabase();
    void recordDatabaseRefusesWhatItCannotWrite();
};

void tst_PalmDoc::initTestCase()
{
    QVERIFY2(luaSample(4096).size() == 4096,
             "no Lua sources in /usr/share/nmap/nselib: install the Debian package nmap-common");
}

// Small records of every kind: the encoder must produce exactly the size the
// exhaustive search finds, and decode back to the record.
void tst_PalmDoc::encoderReachesMinimum_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one literal") << QByteArray("a");
    QTest::newRow("one NUL") << QByteArray(1, '\0');
    QTest::newRow("one high byte") << QByteArray("\xE9");
    QTest::newRow("bytes 0x00-0x08") << QByteArray("\x00\x01\x02\x03\x04\x05\x06\x07\x08", 9);
    QTest::newRow("bytes 0x80-0xFF") << allBytes().mid(0x80);
    QTest::newRow("all 256 bytes") << allBytes();
    QTest::newRow("nine high bytes") << QByteArray(9, '\x90');
    QTest::newRow("high bytes around a literal") << QByteArray("\x81\x82\x83x\x84\x85\x86");
    QTest::newRow("space before 0x40") << QByteArray("a @");
    QTest::newRow("space before 0x7F") << QByteArray("a \x7F");
    QTest::newRow("space before 0x3F") << QByteArray("a ?");
    QTest::newRow("space before 0x80") << QByteArray("a \x80");
    QTest::newRow("space at record end") << QByteArray("end ");
    QTest::newRow("spaces before letters") << QByteArray(" a b c d e f g");
    QTest::newRow("run of one byte") << QByteArray(40, 'x');
    QTest::newRow("run of spaces") << QByteArray(33, ' ');
    QTest::newRow("run of NUL") << QByteArray(25, '\0');
    QTest::newRow("run of 0xFF") << QByteArray(30, '\xFF');
    QTest::newRow("overlapping copy") << QByteArray("abababababababababab");
    QTest::newRow("copy of exactly 3") << QByteArray("abcXabc");
    QTest::newRow("copy longer than 10") << QByteArray("0123456789abc-0123456789abc");
    QTest::newRow("copy versus space pairs") << QByteArray(" a b c a b c a b c");
    QTest::newRow("lua line") << QByteArray("local x = 1\nlocal y = 2\nlocal z = x + y\n");
    QTest::newRow("windows-1252 prose") << QByteArray("caf\xE9 na\xEFve \x93quoted\x94 caf\xE9");

    std::mt19937 random(20261207);
    const QList<QByteArray> alphabets = {QByteArray("ab"), QByteArray("ab "),
                                         QByteArray("a b@\x01\x80"), QByteArray(" @A\xC0"),
                                         allBytes()};
    for (int row = 0; row < 60; ++row) {
        const QByteArray &alphabet = alphabets[row % alphabets.size()];
        const int length = 1 + int(random() % 120);
        QTest::addRow("random %d, alphabet %d, %d bytes", row, int(row % alphabets.size()), length)
            << randomText(random, alphabet, length);
    }
}

void tst_PalmDoc::encoderReachesMinimum()
{
    QFETCH(QByteArray, record);
    const Bytes text = toBytes(record);
    const Bytes encoded = palmdoc::compressRecord(text);
    QCOMPARE(encoded.size(), palmdoc_oracle::minimumEncodedSize(text));
    Bytes decoded;
    const palmdoc::DecodeResult result = palmdoc::decompressRecord(encoded, decoded);
    QCOMPARE(result.error, palmdoc::DecodeError::None);
    QCOMPARE(toByteArray(decoded), record);
}

// Whole records, where the 2047-byte reach and the 4096-byte end matter.
void tst_PalmDoc::fullRecordsReachMinimum_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::newRow("lua source") << luaSample(4096);
    std::mt19937 random(7);
    // A 10-byte phrase repeated at distance 2047 (reachable) and another at
    // distance 2048 (not), in bytes that otherwise hardly repeat.
    QByteArray reach = randomText(random, allBytes(), 4096);
    reach.replace(2147, 10, reach.mid(100, 10));
    reach.replace(2348, 10, reach.mid(300, 10));
    QTest::newRow("copies at distance 2047 and 2048") << reach;
    QTest::newRow("random words") << randomText(random, QByteArray("the quick brown fox ,.\n"),
                                                4096);
}

void tst_PalmDoc::fullRecordsReachMinimum()
{
    QFETCH(QByteArray, record);
    const Bytes text = toBytes(record);
    const Bytes encoded = palmdoc::compressRecord(text);
    QCOMPARE(encoded.size(), palmdoc_oracle::minimumEncodedSize(text));
    Bytes decoded;
    QCOMPARE(palmdoc::decompressRecord(encoded, decoded).error, palmdoc::DecodeError::None);
    QCOMPARE(toByteArray(decoded), record);
}

void tst_PalmDoc::decoderRejects_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<palmdoc::DecodeError>("error");
    QTest::addColumn<int>("offset");
    using E = palmdoc::DecodeError;
    QTest::newRow("run cut by record end") << QByteArray("ab\x03xy") << E::RunCut << 2;
    QTest::newRow("run byte last") << QByteArray("ab\x01") << E::RunCut << 2;
    QTest::newRow("copy missing second byte") << QByteArray("abc\x80") << E::CopyCut << 3;
    QTest::newRow("copy distance 0") << QByteArray("abc\x80\x00", 5) << E::ZeroDistance << 3;
    // Pair 0x8010: distance 2 from a single byte of output.
    QTest::newRow("copy before record start")
        << QByteArray("a\x80\x10") << E::DistanceBeforeStart << 1;
    QTest::newRow("copy first in record") << QByteArray("\x80\x08") << E::DistanceBeforeStart << 0;
    QTest::newRow("4097 literals") << QByteArray(4097, 'a') << E::OutputTooLong << 4096;
    QTest::newRow("space pair past 4096")
        << QByteArray(4095, 'a') + "\xC1" << E::OutputTooLong << 4095;
    QTest::newRow("run past 4096") << QByteArray(4094, 'a') + "\x03xyz" << E::OutputTooLong << 4094;
    // 4090 literals then a copy of 10 from distance 1: 4100 bytes.
    QTest::newRow("copy past 4096")
        << QByteArray(4090, 'a') + "\x80\x0F" << E::OutputTooLong << 4090;
}

void tst_PalmDoc::decoderRejects()
{
    QFETCH(QByteArray, record);
    QFETCH(palmdoc::DecodeError, error);
    QFETCH(int, offset);
    Bytes out;
    const palmdoc::DecodeResult result = palmdoc::decompressRecord(toBytes(record), out);
    QCOMPARE(result.error, error);
    QCOMPARE(result.offset, std::size_t(offset));
    QVERIFY(out.size() <= palmdoc::RecordSize);
}

void tst_PalmDoc::decoderAccepts_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("literals and NUL") << QByteArray("a\x00\x7F", 3) << QByteArray("a\x00\x7F", 3);
    QTest::newRow("raw run of high bytes") << QByteArray("\x02\xE9\x01") << QByteArray("\xE9\x01");
    QTest::newRow("space pairs") << QByteArray("\xC0\xFF") << QByteArray(" @ \x7F");
    // Pair 0x800F: distance 1, length 10, overlapping its own output.
    QTest::newRow("overlapping copy") << QByteArray("a\x80\x0F") << QByteArray(11, 'a');
    // Pair 0x8018: distance 3, length 3 from the first byte.
    QTest::newRow("copy from record start") << QByteArray("abc\x80\x18") << QByteArray("abcabc");
    QTest::newRow("exactly 4096 bytes") << QByteArray(4096, 'b') << QByteArray(4096, 'b');
    QTest::newRow("empty record") << QByteArray() << QByteArray();
}

void tst_PalmDoc::decoderAccepts()
{
    QFETCH(QByteArray, record);
    QFETCH(QByteArray, text);
    Bytes out;
    const palmdoc::DecodeResult result = palmdoc::decompressRecord(toBytes(record), out);
    QCOMPARE(result.error, palmdoc::DecodeError::None);
    QCOMPARE(toByteArray(out), text);
    QCOMPARE(result.produced, std::size_t(text.size()));
}

void tst_PalmDoc::lineEnds_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QByteArray("a\nb\n");
    QTest::newRow("lone CR") << QByteArray("a\rb") << QByteArray("a\nb");
    QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArray("a\n\nb");
    QTest::newRow("LF CR") << QByteArray("a\n\rb") << QByteArray("a\n\nb");
    QTest::newRow("trailing CR") << QByteArray("a\r") << QByteArray("a\n");
    QTest::newRow("LF kept") << QByteArray("a\nb") << QByteArray("a\nb");
    QTest::newRow("control and high bytes kept")
        << QByteArray("\x00\x01\x08\x0C\x1A\x7F\x80\xFF", 8)
        << QByteArray("\x00\x01\x08\x0C\x1A\x7F\x80\xFF", 8);
    QTest::newRow("empty") << QByteArray() << QByteArray();
}

void tst_PalmDoc::lineEnds()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    Bytes text = toBytes(input);
    palmdoc::toHandheldLineEnds(text);
    QCOMPARE(toByteArray(text), expected);
}

void tst_PalmDoc::names_data()
{
    QTest::addColumn<QByteArray>("utf8");
    QTest::addColumn<QByteArray>("stored"); // empty: refused
    QTest::addColumn<bool>("shortened");
    QTest::newRow("title comment")
        << QByteArray("--My Project Name.lua") << QByteArray("--My Project Name.lua") << false;
    QTest::newRow("31 bytes kept")
        << QByteArray(27, 'n') + ".lua" << QByteArray(27, 'n') + ".lua" << false;
    QTest::newRow("32 bytes keep .lua")
        << QByteArray(28, 'n') + ".lua" << QByteArray(27, 'n') + ".lua" << true;
    QTest::newRow("long name keeps .lua")
        << QByteArray("--A very long program name for the handheld.lua")
        << QByteArray("--A very long program name .lua") << true;
    QTest::newRow("long name without .lua") << QByteArray(40, 'x') << QByteArray(31, 'x') << true;
    QTest::newRow(".LUA is not .lua")
        << QByteArray(30, 'x') + ".LUA" << QByteArray(30, 'x') + "." << true;
    QTest::newRow("latin-1 letter")
        << QByteArray("Caf\xC3\xA9.lua") << QByteArray("Caf\xE9.lua") << false;
    QTest::newRow("euro sign") << QByteArray("\xE2\x82\xAC.lua") << QByteArray("\x80.lua") << false;
    QTest::newRow("quotes and spaces")
        << QByteArray("it's \"my\" game.lua") << QByteArray("it's \"my\" game.lua") << false;
    // 30 two-byte UTF-8 letters are 30 stored bytes: no shortening.
    QTest::newRow("counted in stored bytes")
        << QByteArray("\xC3\xA9").repeated(30) << QByteArray("\xE9").repeated(30) << false;
    QTest::newRow("empty") << QByteArray() << QByteArray() << false;
    QTest::newRow("CJK character") << QByteArray("\xE4\xB8\xAD.lua") << QByteArray() << false;
    QTest::newRow("emoji") << QByteArray("\xF0\x9F\x98\x80.lua") << QByteArray() << false;
    QTest::newRow("tab") << QByteArray("a\tb.lua") << QByteArray() << false;
    QTest::newRow("newline") << QByteArray("a\nb.lua") << QByteArray() << false;
    QTest::newRow("C1 control") << QByteArray("a\xC2\x81.lua") << QByteArray() << false;
    QTest::newRow("cut UTF-8") << QByteArray("a\xC3") << QByteArray() << false;
    QTest::newRow("overlong UTF-8") << QByteArray("a\xC0\xAF") << QByteArray() << false;
    QTest::newRow("Latin-1 bytes, not UTF-8") << QByteArray("Caf\xE9") << QByteArray() << false;
    QTest::newRow("UTF-16 surrogate") << QByteArray("\xED\xA0\x80") << QByteArray() << false;
}

void tst_PalmDoc::names()
{
    QFETCH(QByteArray, utf8);
    QFETCH(QByteArray, stored);
    QFETCH(bool, shortened);
    const palmdoc::NameResult result = palmdoc::makeDatabaseName(utf8.toStdString());
    if (stored.isEmpty()) {
        QVERIFY(!result.error.empty());
        return;
    }
    QVERIFY2(result.error.empty(), result.error.c_str());
    QCOMPARE(QByteArray::fromStdString(result.name), stored);
    QCOMPARE(result.shortened, shortened);
    QVERIFY(result.name.size() <= palmdoc::MaxNameLength);
    QCOMPARE(palmdoc::windows1252ToUtf8(result.name) == utf8.toStdString(), !shortened);
}

// Whole databases: every field the format fixes, for text lengths around the
// record size.
void tst_PalmDoc::databaseLayout_data()
{
    QTest::addColumn<int>("length");
    for (int length : {0, 1, 4095, 4096, 4097, 8192, 8193, 20000})
        QTest::addRow("%d bytes", length) << length;
}

void tst_PalmDoc::databaseLayout()
{
    QFETCH(int, length);
    const Bytes text = toBytes(luaSample(length));
    const std::uint32_t time = 3'900'000'000u;
    const Bytes db = palmdoc::buildDatabase(text, "--Test.lua", time);

    const std::size_t textRecords = (text.size() + 4095) / 4096;
    const std::size_t records = textRecords + 1;
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(db.data()), 32),
             QByteArray("--Test.lua") + QByteArray(22, '\0'));
    QCOMPARE(get16(db, 32), 0u);   // attributes
    QCOMPARE(get32(db, 36), time); // created
    QCOMPARE(get32(db, 40), time); // modified
    QCOMPARE(get32(db, 44), 0u);   // backed up
    QCOMPARE(get32(db, 52), 0u);   // appInfo
    QCOMPARE(get32(db, 56), 0u);   // sortInfo
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(db.data()) + 60, 8), QByteArray("TEXtREAd"));
    QCOMPARE(get32(db, 72), 0u); // next record list
    QCOMPARE(get16(db, 76), std::uint32_t(records));

    std::vector<std::uint32_t> offsets, ids;
    for (std::size_t r = 0; r < records; ++r) {
        offsets.push_back(get32(db, 78 + 8 * r));
        QCOMPARE(db[78 + 8 * r + 4], std::uint8_t(0));
        ids.push_back(get32(db, 78 + 8 * r + 4) & 0xFFFFFF);
    }
    QCOMPARE(offsets[0], std::uint32_t(78 + 8 * records + 2));
    QCOMPARE(get16(db, 78 + 8 * records), 0u);
    for (std::size_t r = 0; r < records; ++r) {
        QVERIFY(ids[r] != 0);
        for (std::size_t s = 0; s < r; ++s)
            QVERIFY(ids[r] != ids[s]);
    }
    offsets.push_back(std::uint32_t(db.size()));

    const std::size_t r0 = offsets[0];
    QCOMPARE(offsets[1] - offsets[0], 16u);
    QCOMPARE(get16(db, r0), 2u); // compressed
    QCOMPARE(get16(db, r0 + 2), 0u);
    QCOMPARE(get32(db, r0 + 4), std::uint32_t(text.size())); // text length
    QCOMPARE(get16(db, r0 + 8), std::uint32_t(textRecords));
    QCOMPARE(get16(db, r0 + 10), 4096u);
    QCOMPARE(get32(db, r0 + 12), 0u);

    Bytes all;
    for (std::size_t r = 1; r < records; ++r) {
        QVERIFY(offsets[r + 1] > offsets[r]); // no empty record
        const Bytes record(db.begin() + offsets[r], db.begin() + offsets[r + 1]);
        Bytes decoded;
        QCOMPARE(palmdoc::decompressRecord(record, decoded).error, palmdoc::DecodeError::None);
        QCOMPARE(decoded.size(), r < textRecords ? std::size_t(4096) : text.size() - all.size());
        all.insert(all.end(), decoded.begin(), decoded.end());
    }
    QCOMPARE(toByteArray(all), toByteArray(text));

    const palmdoc::ParsedDatabase parsed = palmdoc::parseDatabase(db);
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    QCOMPARE(parsed.name, std::string("--Test.lua"));
    QVERIFY(parsed.compressed);
    QCOMPARE(toByteArray(parsed.text), toByteArray(text));
}

// Tokens never straddle records: a space pair, a run or a copy that would
// cross the 4096-byte boundary must be split or avoided.
void tst_PalmDoc::recordBoundaries_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray lead(4095, 'a');
    QTest::newRow("space then letter across the boundary") << lead + " A" + "tail";
    QTest::newRow("space last in the record") << lead + " ";
    QTest::newRow("high bytes across the boundary")
        << QByteArray(4092, 'a') + QByteArray(8, '\xE9');
    QTest::newRow("repeat of the previous record") << luaSample(4096).repeated(3);
    QTest::newRow("run of one byte across records") << QByteArray(9000, ' ');
}

void tst_PalmDoc::recordBoundaries()
{
    QFETCH(QByteArray, text);
    const Bytes db = palmdoc::buildDatabase(toBytes(text), "edge.lua", 0);
    const std::size_t records = get16(db, 76);
    std::vector<std::size_t> offsets;
    for (std::size_t r = 0; r < records; ++r)
        offsets.push_back(get32(db, 78 + 8 * r));
    offsets.push_back(db.size());
    Bytes all;
    for (std::size_t r = 1; r < records; ++r) {
        const Bytes record(db.begin() + std::ptrdiff_t(offsets[r]),
                           db.begin() + std::ptrdiff_t(offsets[r + 1]));
        Bytes decoded;
        QCOMPARE(palmdoc::decompressRecord(record, decoded).error, palmdoc::DecodeError::None);
        if (r + 1 < records)
            QCOMPARE(decoded.size(), palmdoc::RecordSize);
        all.insert(all.end(), decoded.begin(), decoded.end());
    }
    QCOMPARE(toByteArray(all), text);
}

void tst_PalmDoc::databaseRejects_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<QString>("reason");
    QTest::newRow("wrong type") << int(WrongType) << "are not those of a Palm DOC";
    QTest::newRow("wrong creator") << int(WrongCreator) << "are not those of a Palm DOC";
    QTest::newRow("resource database") << int(Resource) << "resource database";
    QTest::newRow("no records") << int(NoRecords) << "no records";
    QTest::newRow("record list past end") << int(ListPastEnd) << "record list";
    QTest::newRow("record inside the header") << int(OffsetBeforeList) << "outside";
    QTest::newRow("records out of order") << int(OffsetsDescending) << "starts before";
    QTest::newRow("record 0 too short") << int(Record0Short) << "shorter than 16";
    QTest::newRow("compression type 3") << int(UnknownCompression) << "compression";
    QTest::newRow("more text records than records") << int(TooManyTextRecords) << "text records";
    QTest::newRow("text length one more") << int(LengthPlusOne) << "text length";
    QTest::newRow("text length one less") << int(LengthMinusOne) << "text length";
    QTest::newRow("empty text record") << int(EmptyTextRecord) << "empty";
    QTest::newRow("copy before record start") << int(BadToken) << "before the start";
    QTest::newRow("name without NUL") << int(NameUnterminated) << "not terminated";
    QTest::newRow("header only") << int(HeaderOnly) << "too short";
}

void tst_PalmDoc::databaseRejects()
{
    QFETCH(int, change);
    QFETCH(QString, reason);
    const QByteArray source = luaSample(6000);
    const Bytes text = toBytes(source);
    Bytes db = palmdoc::buildDatabase(text, "corrupt.lua", 0);
    QVERIFY(palmdoc::parseDatabase(db).error.empty());
    const std::size_t r0 = get32(db, 78);
    const std::size_t r1 = get32(db, 86);
    const std::size_t r2 = get32(db, 94);
    switch (Corruption(change)) {
    case WrongType:
        db[63] = 'T';
        break;
    case WrongCreator:
        db[64] = 'r';
        break;
    case Resource:
        db[33] = 0x01;
        break;
    case NoRecords:
        put16(db, 76, 0);
        break;
    case ListPastEnd:
        put16(db, 76, 60000);
        break;
    case OffsetBeforeList:
        put32(db, 86, 80);
        break;
    case OffsetsDescending:
        put32(db, 94, std::uint32_t(r1 - 1));
        break;
    case Record0Short:
        put32(db, 86, std::uint32_t(r0 + 10));
        break;
    case UnknownCompression:
        put16(db, r0, 3);
        break;
    case TooManyTextRecords:
        put16(db, r0 + 8, 3);
        break;
    case LengthPlusOne:
        put32(db, r0 + 4, std::uint32_t(text.size() + 1));
        break;
    case LengthMinusOne:
        put32(db, r0 + 4, std::uint32_t(text.size() - 1));
        break;
    case EmptyTextRecord:
        put32(db, 94, std::uint32_t(r1));
        break;
    case BadToken:
        // The first token of record 2 becomes a copy from 1 byte back.
        db[r2] = 0x80;
        db[r2 + 1] = 0x08;
        break;
    case NameUnterminated:
        std::fill(db.begin(), db.begin() + 32, std::uint8_t('n'));
        break;
    case HeaderOnly:
        db.resize(77);
        break;
    }
    const palmdoc::ParsedDatabase parsed = palmdoc::parseDatabase(db);
    QVERIFY2(QString::fromStdString(parsed.error).contains(reason), parsed.error.c_str());
    QVERIFY(parsed.text.empty());
}

void tst_PalmDoc::everyTruncationIsRejected()
{
    const Bytes db = palmdoc::buildDatabase(toBytes(luaSample(5000)), "cut.lua", 0);
    for (std::size_t size = 0; size < db.size(); ++size) {
        const Bytes cut(db.begin(), db.begin() + std::ptrdiff_t(size));
        if (palmdoc::parseDatabase(cut).error.empty())
            QFAIL(qPrintable(QStringLiteral("a DOC cut to %1 bytes was accepted").arg(size)));
    }
}

void tst_PalmDoc::uncompressedDatabaseIsRead()
{
    // Record 0 with compression 1 and the text stored as it is.
    const QByteArray text = "plain\ntext\x80";
    Bytes db(78 + 16 + 2 + 16, 0);
    std::copy_n("plain.lua", 9, db.begin());
    std::copy_n("TEXtREAd", 8, db.begin() + 60);
    put16(db, 76, 2);
    put32(db, 78, 96);
    put32(db, 86, 112);
    put16(db, 96, 1);
    put32(db, 100, std::uint32_t(text.size()));
    put16(db, 104, 1);
    put16(db, 106, 4096);
    db.insert(db.end(), text.begin(), text.end());
    const palmdoc::ParsedDatabase parsed = palmdoc::parseDatabase(db);
    QVERIFY2(parsed.error.empty(), parsed.error.c_str());
    QVERIFY(!parsed.compressed);
    QCOMPARE(toByteArray(parsed.text), text);
}

void tst_PalmDoc::tooLongRecordIsRefused()
{
    const Bytes record(4097, 'a');
    Bytes out;
    palmdoc::Encoder encoder;
    QVERIFY_THROWS_EXCEPTION(std::length_error, encoder.compressRecord(record, out));
    QVERIFY(out.empty());
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, palmdoc::buildDatabase(record, "", 0));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             palmdoc::buildDatabase(record, std::string(32, 'n'), 0));
}

// Long texts are split over threads; the file must not depend on how.
void tst_PalmDoc::threadsDoNotChangeTheBytes()
{
    QByteArray source = luaSample(300000);
    source += source.toUpper();
    const Bytes text = toBytes(source); // 147 records
    const Bytes single = palmdoc::buildDatabase(text, "threads.lua", 1, 1);
    for (unsigned threads : {2u, 3u, 4u, 0u}) {
        const Bytes parallel = palmdoc::buildDatabase(text, "threads.lua", 1, threads);
        QVERIFY2(parallel == single, qPrintable(QString::number(threads)));
    }
    const palmdoc::ParsedDatabase parsed = palmdoc::parseDatabase(single);
    QVERIFY(parsed.error.empty());
    QCOMPARE(toByteArray(parsed.text), source);
}

// The container that the simulator's import and export use reads every
// Palm DOC and writes the same bytes back.
void tst_PalmDoc::docIsARecordDatabase_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one record") << luaSample(100);
    QTest::newRow("several records") << luaSample(20000);
}

void tst_PalmDoc::docIsARecordDatabase()
{
    QFETCH(QByteArray, text);
    const Bytes doc = palmdoc::buildDatabase(toBytes(text), "same.lua", 0xB5A1E000);
    const palmdoc::ParsedRecordDatabase parsed = palmdoc::readRecordDatabase(doc);
    QCOMPARE(QByteArray::fromStdString(parsed.error), QByteArray());
    const palmdoc::DatabaseHeader &header = parsed.database.header;
    QCOMPARE(QByteArray::fromStdString(header.name), QByteArray("same.lua"));
    QCOMPARE(header.modificationDate, 0xB5A1E000u);
    QCOMPARE(toByteArray(Bytes(header.type.begin(), header.type.end())), QByteArray("TEXt"));
    QCOMPARE(parsed.database.records.size(), (text.size() + 4095) / 4096 + 1);
    QCOMPARE(parsed.database.records.back().uniqueId, parsed.database.records.size());
    QCOMPARE(toByteArray(palmdoc::writeRecordDatabase(parsed.database)), toByteArray(doc));
}

void tst_PalmDoc::recordDatabaseRefusesWhatItCannotWrite()
{
    palmdoc::RecordDatabase db;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, palmdoc::writeRecordDatabase(db));
    db.header.name = std::string(32, 'n');
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, palmdoc::writeRecordDatabase(db));
    db.header.name = "ids";
    db.records.push_back({0, palmdoc::MaxUniqueId + 1, {}});
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, palmdoc::writeRecordDatabase(db));
    db.records.assign(65536, {});
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, palmdoc::writeRecordDatabase(db));
}

QTEST_GUILESS_MAIN(tst_PalmDoc)
#include "tst_palmdoc.moc"
