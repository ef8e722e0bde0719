#include "textfile.h"

#include "linebreaks.h"
#include "palmdocfile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace TextFile {

namespace {

const QString NotARegularFile =
    QStringLiteral("It is not a regular file (a device, a pipe or a socket); the editor opens "
                   "only files.");

// Windows-1252 0x80..0x9F. The five bytes Windows leaves undefined map to the
// C1 controls of the same value, so that every byte survives a round trip.
constexpr char16_t HighTable[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool hasNonAscii(QByteArrayView bytes)
{
    for (char b : bytes) {
        if (uchar(b) >= 0x80)
            return true;
    }
    return false;
}

// Whether Save could write every character back: a reading of the bytes that
// gives anything else cannot be the file's true reading for this editor.
bool isStorable(QStringView text)
{
    for (QChar c : text) {
        if (windows1252Byte(c.unicode()) < 0 && !LineBreaks::isLineBreak(c.unicode()))
            return false;
    }
    return true;
}

// Decodes the whole of `bytes`; nothing when any byte is not valid in
// `encoding` or a character could not be saved back. A byte-order mark inside
// the text stays a character (and so fails the check).
std::optional<QString> confirmedReading(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless |
                                         QStringDecoder::Flag::ConvertInitialBom);
    QString s = decoder(bytes);
    if (decoder.hasError() || !isStorable(s))
        return std::nullopt;
    return s;
}

// A byte-order mark or a UTF-8 guess counts only when the whole file bears it
// out; everything else is Windows-1252, byte-order-mark lookalikes included,
// so that the program's own files read back as they were written.
QString unicodeText(const QByteArray &bytes)
{
    const QByteArrayView view(bytes);
    const bool utf16LE = view.startsWith("\xFF\xFE");
    if ((utf16LE || view.startsWith("\xFE\xFF")) && view.size() % 2 == 0) {
        auto s = confirmedReading(view.sliced(2),
                                  utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        if (s)
            return *std::move(s);
    }
    const bool utf8Bom = view.startsWith("\xEF\xBB\xBF");
    if (utf8Bom || hasNonAscii(view)) {
        auto s = confirmedReading(utf8Bom ? view.sliced(3) : view, QStringDecoder::Utf8);
        if (s)
            return *std::move(s);
    }
    return fromWindows1252(view);
}

// Bytes that read as UTF-8 but hold a character the handheld cannot store
// were taken as Windows-1252: a word on what happened and where. Only a
// character of three or more UTF-8 bytes counts; two-byte pairs are common
// in Windows-1252 text itself ("Gru\xdf\xa0"), three-byte ones are not.
QString unstorableUtf8Notice(QByteArrayView bytes)
{
    if (!hasNonAscii(bytes))
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return {};
    int line = 1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n')
            ++line;
        if (c < 0x800 || windows1252Byte(c) >= 0)
            continue;
        QString shown = text[i];
        uint code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text[i + 1].unicode());
            shown += text[i + 1];
        }
        return QStringLiteral("This file looks like UTF-8, but it holds characters that a Plua "
                              "file cannot store, the first being \"%1\" (U+%2) on line %3. "
                              "It was opened as Windows-1252, so such characters show as "
                              "several others; replace them before saving.")
            .arg(shown, QString::number(code, 16).toUpper().rightJustified(4, u'0'))
            .arg(line);
    }
    return {};
}

} // namespace

int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (HighTable[i] == c)
            return 0x80 + i;
    }
    return -1;
}

QString fromWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (char b : bytes) {
        const uchar u = uchar(b);
        *dst++ = QChar(u >= 0x80 && u < 0xA0 ? HighTable[u - 0x80] : char16_t(u));
    }
    return out;
}

QByteArray toWindows1252(QStringView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    char *dst = out.data();
    for (const QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        *dst++ = b < 0 ? '?' : char(b);
    }
    return out;
}

DecodeResult decode(const QByteArray &bytes)
{
    DecodeResult result;
    const QString text = unicodeText(bytes);
    if (text.contains(QChar(u'\0'))) {
        result.error =
            QStringLiteral("The file holds binary data (NUL bytes); it is not a text file.");
        return result;
    }

    QString out;
    // Room for a CR before every LF and an LF after every CR: growing a
    // 20 MB string on the way would copy it again.
    out.reserve(text.size() + text.count(u'\n') + text.count(u'\r'));
    qsizetype lineStart = 0;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto endLine = [&](qsizetype end) {
        if (end - lineStart > MaxLineLength)
            return false;
        out.append(QStringView(text).sliced(lineStart, end - lineStart));
        return true;
    };
    bool endsWithBreak = false;
    while (i < n) {
        if (const qsizetype breakLength = LineBreaks::breakLength(text, i)) {
            if (!endLine(i))
                break;
            i += breakLength;
            lineStart = i;
            endsWithBreak = true;
            if (i < n)
                out.append(QLatin1String("\r\n"));
        } else {
            ++i;
            endsWithBreak = false;
        }
    }
    if (i < n || (!endsWithBreak && !endLine(n))) {
        result.error = QStringLiteral("The file has a line longer than %1 characters; it is "
                                      "not a program text that the editor can show.")
                           .arg(MaxLineLength);
        return result;
    }
    result.text = std::move(out);
    result.notice = unstorableUtf8Notice(bytes);
    return result;
}

namespace {

// Whether the four UTF-16 units in `w` are all printable ASCII (0x20..0x7F),
// the bytes most program text is made of.
constexpr bool isPrintableAscii(quint64 w)
{
    constexpr quint64 High = 0xFF80FF80FF80FF80ULL;
    constexpr quint64 Space = 0x0020002000200020ULL;
    constexpr quint64 Sign = 0x8000800080008000ULL;
    // With no unit at 0x80 or above, a unit below 0x20 is the only one whose
    // subtraction borrows into its top bit.
    return (w & High) == 0 && ((w - Space) & Sign) == 0;
}

} // namespace

EncodeResult encode(QStringView text)
{
    return encode(text, QStringView(), 0);
}

EncodeResult encode(QStringView head, QStringView tail, qsizetype singleBreaks)
{
    EncodeResult result;
    QByteArray &bytes = result.bytes;
    const qsizetype n = head.size() + tail.size();
    // The character at `g` of the two pieces joined; NUL past the end.
    const auto at = [&](qsizetype g) -> char16_t {
        if (g < head.size())
            return head[g].unicode();
        return g < n ? tail[g - head.size()].unicode() : u'\0';
    };
    // One byte a character and CR LF at the end; a break written as a
    // single character (CR, LF or a separator) takes one byte more, which
    // the caller may have counted ahead.
    bytes.resize(n + 2 + std::max<qsizetype>(singleBreaks, 0));
    char *dst = bytes.data();
    qsizetype o = 0;
    int line = 1;
    qsizetype lineStart = 0;
    const auto refuse = [&](const QString &error) {
        result.bytes.clear();
        result.error = error;
        return result;
    };
    // Whatever is saved must open again: a line too long for Open or a NUL
    // (which Open takes for binary data) is refused here as well.
    const auto lineTooLong = [&] {
        return refuse(QStringLiteral("Line %1 is longer than %2 characters, which the editor "
                                     "cannot open again. Nothing was saved.")
                          .arg(line)
                          .arg(MaxLineLength));
    };
    // Positions are counted over both pieces; `i` is within the piece, and
    // starts past a CR LF's LF when the CR ended the piece before.
    qsizetype base = 0;
    qsizetype i = 0;
    for (const QStringView piece : {head, tail}) {
        const char16_t *src = piece.utf16();
        const qsizetype m = piece.size();
        while (i < m) {
            // Runs of printable ASCII, eight characters at a time, are
            // copied as they are; everything else goes one character at a
            // time below.
            if (i + 8 <= m) {
                quint64 w[2];
                std::memcpy(w, src + i, sizeof w);
                if (isPrintableAscii(w[0]) && isPrintableAscii(w[1])) {
                    for (int k = 0; k < 8; ++k)
                        dst[o + k] = char(src[i + k]);
                    o += 8;
                    i += 8;
                    continue;
                }
            }
            const char16_t c = src[i];
            if (c >= 0x20 && c < 0x80) {
                dst[o++] = char(c);
                ++i;
                continue;
            }
            const qsizetype g = base + i;
            if (LineBreaks::isLineBreak(c)) {
                if (g - lineStart > MaxLineLength)
                    return lineTooLong();
                const qsizetype breakLength = c == u'\r' && at(g + 1) == u'\n' ? 2 : 1;
                if (breakLength == 1 && bytes.size() - o < n - g + 3) {
                    bytes.resize(bytes.size() + bytes.size() / 8 + 16);
                    dst = bytes.data();
                }
                dst[o++] = '\r';
                dst[o++] = '\n';
                i += breakLength;
                ++line;
                lineStart = g + breakLength;
                continue;
            }
            if (c == 0) {
                return refuse(QStringLiteral("Line %1 holds a NUL character, which a Plua file "
                                             "cannot hold. Nothing was saved.")
                                  .arg(line));
            }
            const int b = windows1252Byte(c);
            if (b < 0) {
                QString shown = QChar(c);
                uint code = c;
                const char16_t next = at(g + 1);
                if (QChar::isHighSurrogate(c) && g + 1 < n && QChar::isLowSurrogate(next)) {
                    code = QChar::surrogateToUcs4(c, next);
                    shown += QChar(next);
                }
                return refuse(
                    QStringLiteral("The character \"%1\" (U+%2) on line %3 cannot be stored "
                                   "in a Plua file, which uses the Windows-1252 character "
                                   "set. Nothing was saved.")
                        .arg(shown, QString::number(code, 16).toUpper().rightJustified(4, u'0'))
                        .arg(line));
            }
            dst[o++] = char(b);
            ++i;
        }
        base += m;
        i -= m;
    }
    if (n - lineStart > MaxLineLength)
        return lineTooLong();
    dst[o++] = '\r';
    dst[o++] = '\n';
    bytes.truncate(o);
    return result;
}

ReadResult readFile(const QString &path)
{
    ReadResult result;
    QFileInfo info(path);
    QFile file(path);
    if (path.isEmpty() || !info.exists()) {
#ifdef Q_OS_UNIX
        // A file in a folder that may not be entered is there all the same:
        // say what stops it from being read.
        struct stat status = {};
        if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) != 0 &&
            errno == EACCES) {
            result.error = QStringLiteral("Permission denied");
            return result;
        }
#endif
        result.notFound = true;
        result.error = QStringLiteral("No such file");
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("It is a folder, not a file.");
        return result;
    }
    if (!info.isFile()) {
        result.error = NotARegularFile;
        return result;
    }
#ifdef Q_OS_UNIX
    // Opening a pipe for reading waits for a writer: open without waiting
    // and ask the opened file itself, which cannot have been swapped since.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        result.error = NotARegularFile;
        return result;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        result.error = file.errorString();
        return result;
    }
#else
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
#endif
    if (file.size() > MaxFileBytes) {
        result.error = QStringLiteral("The file is %1 MB; the editor opens files of up to %2 MB.")
                           .arg(file.size() / (1024 * 1024))
                           .arg(MaxFileBytes / (1024 * 1024));
        return result;
    }
    // Read at most one byte past the limit, so a device that never ends
    // (a pipe, /dev/zero) cannot exhaust memory.
    const QByteArray bytes = file.read(MaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    if (bytes.size() > MaxFileBytes) {
        result.error =
            QStringLiteral("The file is larger than %1 MB.").arg(MaxFileBytes / (1024 * 1024));
        return result;
    }
    DecodeResult decoded = decode(bytes);
    result.text = std::move(decoded.text);
    result.error = std::move(decoded.error);
    result.notice = std::move(decoded.notice);
    return result;
}

bool writeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    // The converter's atomic write, so that the editor and txt2doc replace
    // files the same way: whole or not at all, flushed to disk, links kept,
    // devices and pipes written directly.
#ifdef Q_OS_WIN
    const std::filesystem::path target(path.toStdWString());
#else
    const std::filesystem::path target(QFile::encodeName(path).toStdString());
#endif
    const std::string failure = palmdoc::writeFileAtomically(
        target, std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size())));
    if (!failure.empty() && error)
        *error = QString::fromLocal8Bit(failure);
    return failure.empty();
}

} // namespace TextFile
