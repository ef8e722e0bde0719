// libFuzzer target: the editor's own files. Whatever Save writes, Open reads
// back, and saving what Open read gives the same bytes again. The one
// exception is a file that is also a well-formed UTF-8 text (or carries the
// UTF-8 byte-order mark): another editor may have written it, so Open reads
// it as UTF-8; even then it must open and save again.

#include "textfile.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstdint>
#include <cstdlib>

namespace {

bool readableAsUtf8(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return true;
    bool nonAscii = false;
    for (char b : bytes)
        nonAscii = nonAscii || uchar(b) >= 0x80;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(bytes);
    return nonAscii && !utf8.hasError();
}

void check(const QString &text)
{
    const TextFile::EncodeResult saved = TextFile::encode(text);
    if (!saved.ok()) {
        if (!saved.bytes.isEmpty() || saved.error.isEmpty())
            std::abort();
        return;
    }
    const TextFile::DecodeResult opened = TextFile::decode(saved.bytes);
    if (!opened.ok())
        std::abort();
    const TextFile::EncodeResult again = TextFile::encode(opened.text);
    if (!again.ok())
        std::abort();
    if (again.bytes != saved.bytes && !readableAsUtf8(saved.bytes))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Any file at all: opening never crashes, and what opens can be saved
    // unless it holds characters the handheld cannot store.
    const TextFile::DecodeResult opened = TextFile::decode(bytes);
    if (opened.ok())
        check(opened.text);
    // Texts typed into the editor: every byte as a Windows-1252 character,
    // and the same bytes as UTF-16 for characters beyond it.
    check(TextFile::fromWindows1252(bytes));
    check(QString(reinterpret_cast<const QChar *>(data), qsizetype(size / 2)));
    return 0;
}
