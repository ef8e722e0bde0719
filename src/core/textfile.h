#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing Plua source files. A document's text is its lines
// joined by CR LF; on disk it is single-byte Windows-1252 (the handheld's
// character set) with CR LF line ends.
namespace TextFile {

// Files larger than this are refused rather than loaded into the editor.
inline constexpr qint64 MaxFileBytes = 64 * 1024 * 1024;
// A line longer than this cannot be laid out in reasonable time.
inline constexpr qsizetype MaxLineLength = 256 * 1024;

struct DecodeResult
{
    QString text;  // lines joined by CR LF, without a final line end
    QString error; // why the bytes cannot be shown; empty on success
    // Shown but worth a word: UTF-8 with characters a Plua file cannot
    // store, which was read as Windows-1252 instead.
    QString notice;

    bool ok() const { return error.isEmpty(); }
};

// Turns a file's bytes into document text. UTF-16 with a byte-order mark and
// valid UTF-8 holding non-ASCII bytes are read as such, everything else as
// Windows-1252. CR LF, LF and CR all end a line; the line end after the last
// line is the file's terminator, not an extra empty line, so opening and
// saving a file leaves it byte for byte as it was. Binary data is refused.
DecodeResult decode(const QByteArray &bytes);

struct EncodeResult
{
    QByteArray bytes;
    QString error; // names the character and line that cannot be stored

    bool ok() const { return error.isEmpty(); }
};

// The file form of a document: its text, then CR LF, in Windows-1252.
// Line breaks in any convention are written as CR LF.
EncodeResult encode(QStringView text);
// The same for a text held in two pieces (the halves of a gap buffer), as
// if they were joined. `singleBreaks`, the number of one-character line
// breaks the caller knows of, sizes the bytes once.
EncodeResult encode(QStringView head, QStringView tail, qsizetype singleBreaks);

// Windows-1252 for one character; -1 when it has no single-byte form.
int windows1252Byte(char16_t c);
QString fromWindows1252(QByteArrayView bytes);
// The bytes a handheld program sees: Windows-1252, with '?' for a character
// that has no single-byte form.
QByteArray toWindows1252(QStringView text);

struct ReadResult
{
    QString text;
    QString error;  // empty on success
    QString notice; // as DecodeResult's
    bool notFound = false;

    bool ok() const { return error.isEmpty(); }
};

ReadResult readFile(const QString &path);

// Replaces `path` with `bytes` atomically: on failure the old file is whole
// and `error` says why.
bool writeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

} // namespace TextFile
