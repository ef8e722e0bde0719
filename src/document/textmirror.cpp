#include "textmirror.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstring>

namespace {

// Room left for typing after a rebuild or a grown gap: at least this many
// characters, or a sixteenth of the text.
constexpr qsizetype MinGap = 4096;
// Characters compared with the document at every read, besides the length.
constexpr int Samples = 8;

bool isSeparator(char16_t c)
{
    return c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

} // namespace

TextMirror &TextMirror::of(QTextDocument &document)
{
    if (auto *mirror = document.findChild<TextMirror *>(QString(), Qt::FindDirectChildrenOnly))
        return *mirror;
    return *new TextMirror(document);
}

TextMirror::TextMirror(QTextDocument &document)
    : QObject(&document), m_document(document), m_rebuildTimer(new QTimer(this))
{
    m_rebuildTimer->setSingleShot(true);
    m_rebuildTimer->setInterval(0);
    connect(m_rebuildTimer, &QTimer::timeout, this, [this] {
        if (m_stale)
            rebuild();
    });
    connect(&m_document, &QTextDocument::contentsChange, this, &TextMirror::applyChange);
    markStale();
}

QString TextMirror::text()
{
    makeCurrent();
    QString out(size(), Qt::Uninitialized);
    std::memcpy(out.data(), head().data(), head().size() * sizeof(QChar));
    std::memcpy(out.data() + head().size(), tail().data(), tail().size() * sizeof(QChar));
    return out;
}

QString TextMirror::textCrLf()
{
    makeCurrent();
    qsizetype breaks = 0;
    for (const QStringView piece : {head(), tail()})
        breaks += std::count_if(piece.utf16(), piece.utf16() + piece.size(), isSeparator);
    QString out(size() + breaks, Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (const QStringView piece : {head(), tail()}) {
        const char16_t *end = piece.utf16() + piece.size();
        for (const char16_t *src = piece.utf16(); src != end; ++src) {
            const char16_t c = *src;
            if (isSeparator(c)) {
                *dst++ = u'\r';
                *dst++ = u'\n';
            } else {
                *dst++ = c;
            }
        }
    }
    return out;
}

TextFile::EncodeResult TextMirror::encode()
{
    makeCurrent();
    // Every block but the last ends in a paragraph separator, written as
    // two bytes: counting them sizes the bytes in one go.
    return TextFile::encode(head(), tail(), m_document.blockCount() - 1);
}

QChar TextMirror::at(qsizetype position) const
{
    return position < m_gapStart ? m_buffer[position]
                                 : m_buffer[position + (m_gapEnd - m_gapStart)];
}

void TextMirror::applyChange(int position, int removed, int added)
{
    // Where the user works: where the gap goes after a rebuild, and where
    // reads look for a difference first.
    m_lastChange = qsizetype(position) + std::max(added, 0);
    if (m_stale)
        return;
    // A change that reaches the document's final separator (a whole new
    // text is reported that way), one whose counts do not add up to the
    // document's length, or one too large to read piecemeal: rebuild.
    const qsizetype length = size();
    if (position < 0 || removed < 0 || added < 0 || position + qsizetype(removed) > length ||
        length - removed + added != m_document.characterCount() - 1 || added > MaxSplice) {
        markStale();
        return;
    }
    // A key adds one character: read it on its own, without a cursor.
    constexpr int FewChars = 16;
    char16_t few[FewChars];
    QString many;
    QStringView addedText;
    if (added <= FewChars) {
        for (int k = 0; k < added; ++k)
            few[k] = m_document.characterAt(position + k).unicode();
        addedText = QStringView(few, added);
    } else {
        QTextCursor cursor(&m_document);
        cursor.setPosition(position);
        cursor.setPosition(position + added, QTextCursor::KeepAnchor);
        many = cursor.selectedText();
        if (many.size() != added) {
            markStale();
            return;
        }
        addedText = many;
    }
    moveGap(position);
    m_gapEnd += removed;
    ensureGap(added);
    std::memcpy(m_buffer.data() + m_gapStart, addedText.data(), added * sizeof(QChar));
    m_gapStart += added;
}

void TextMirror::markStale()
{
    m_stale = true;
    m_buffer = QString();
    m_gapStart = m_gapEnd = 0;
    m_rebuildTimer->start();
}

void TextMirror::makeCurrent()
{
    if (m_stale || !agreesWithDocument())
        rebuild();
}

bool TextMirror::agreesWithDocument() const
{
    const qsizetype length = size();
    if (length != m_document.characterCount() - 1)
        return false;
    if (length == 0)
        return true;
    // Around the last change and spread over the whole text: a splice gone
    // wrong shows there.
    const auto same = [&](qsizetype position) {
        position = std::clamp<qsizetype>(position, 0, length - 1);
        return at(position) == m_document.characterAt(int(position));
    };
    for (qsizetype d = -2; d <= 1; ++d) {
        if (!same(m_lastChange + d))
            return false;
    }
    for (int k = 0; k < Samples; ++k) {
        if (!same(length * k / Samples))
            return false;
    }
    return same(length - 1);
}

void TextMirror::rebuild()
{
    m_rebuildTimer->stop();
    ++m_rebuildCount;
    m_buffer = m_document.toRawText();
    const qsizetype length = m_buffer.size();
    const qsizetype gap = std::max(length / 16, MinGap);
    // Growing the string's own allocation moves no characters.
    m_buffer.resize(length + gap);
    m_gapStart = length;
    m_gapEnd = length + gap;
    m_stale = false;
    moveGap(std::clamp<qsizetype>(m_lastChange, 0, length));
}

void TextMirror::moveGap(qsizetype position)
{
    QChar *chars = m_buffer.data();
    if (position < m_gapStart) {
        const qsizetype count = m_gapStart - position;
        std::memmove(chars + m_gapEnd - count, chars + position, count * sizeof(QChar));
        m_gapStart -= count;
        m_gapEnd -= count;
    } else if (position > m_gapStart) {
        const qsizetype count = position - m_gapStart;
        std::memmove(chars + m_gapStart, chars + m_gapEnd, count * sizeof(QChar));
        m_gapStart += count;
        m_gapEnd += count;
    }
}

void TextMirror::ensureGap(qsizetype length)
{
    if (m_gapEnd - m_gapStart >= length)
        return;
    const qsizetype tailLength = m_buffer.size() - m_gapEnd;
    const qsizetype capacity = size() + length + std::max(size() / 16, MinGap);
    m_buffer.resize(capacity);
    QChar *chars = m_buffer.data();
    std::memmove(chars + capacity - tailLength, chars + m_gapEnd, tailLength * sizeof(QChar));
    m_gapEnd = capacity - tailLength;
}
