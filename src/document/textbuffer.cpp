#include "textbuffer.h"

#include "textfile.h"

#include <QByteArrayView>

namespace {

// The text in file bytes: every character one byte, lines joined by CR LF,
// the last line ended by CR LF too.
QByteArrayView textBytes(const QByteArray &fileBytes)
{
    const QByteArrayView bytes(fileBytes);
    return bytes.endsWith("\r\n") ? bytes.chopped(2) : bytes;
}

} // namespace

QString TextBuffer::text() const
{
    if (m_textPending) {
        m_text = TextFile::fromWindows1252(textBytes(m_fileBytes));
        m_textPending = false;
    }
    return m_text;
}

void TextBuffer::setText(const QString &text)
{
    m_text = text;
    m_fileBytes = QByteArray();
    m_textPending = false;
}

void TextBuffer::setFileBytes(const QByteArray &bytes)
{
    m_fileBytes = bytes;
    m_text = QString();
    m_textPending = true;
}

QString TextBuffer::firstLine() const
{
    if (m_textPending) {
        const QByteArrayView bytes = textBytes(m_fileBytes);
        const qsizetype end = bytes.indexOf('\r');
        return TextFile::fromWindows1252(end < 0 ? bytes : bytes.first(end));
    }
    const qsizetype end = m_text.indexOf(u'\r');
    return end < 0 ? m_text : m_text.first(end);
}
