#pragma once

#include "textfile.h"

#include <QObject>
#include <QString>
#include <QStringView>

class QTextDocument;
class QTimer;

// A plain copy of a document's characters, kept up to date as the document
// changes, so that saving and checking read one contiguous buffer instead of
// walking the document's pieces (two or more for every line). It holds what
// QTextDocument::toRawText() gives: the blocks, each ended by a paragraph
// separator but the last.
//
// The copy is a gap buffer: an edit moves the gap to its place and copies in
// only what it added, read back from the document, so typing costs a few
// characters. A change too large to splice (a whole new text, a huge paste)
// marks the copy stale; it is rebuilt once the program is idle, or at once
// when it is read. Every read first checks the copy against the document's
// length and a few of its characters and rebuilds it on any difference:
// nothing read from here may differ from the document.
class TextMirror : public QObject
{
    Q_OBJECT

public:
    // Changes adding more characters than this are not spliced; the copy is
    // rebuilt instead.
    static constexpr int MaxSplice = 64 * 1024;

    // The mirror of `document`, made on first use; the document owns it.
    // Make it before anything else watches the document's changes, so that
    // nothing reads it between a change and its splice.
    static TextMirror &of(QTextDocument &document);

    QTextDocument &document() const { return m_document; }

    // The document's raw text (two copies out of the buffer): what the
    // checker can take on the editor's thread instead of reading the
    // document block by block.
    QString text();
    // The text with CR LF for each line break, as the editor hands it out.
    QString textCrLf();
    // The text in its file form (see TextFile::encode), straight from the
    // buffer.
    TextFile::EncodeResult encode();

    // Whether the next read rebuilds the copy from the document.
    bool isStale() const { return m_stale; }
    // How many times the copy has been rebuilt from the whole document.
    int rebuildCount() const { return m_rebuildCount; }

private:
    explicit TextMirror(QTextDocument &document);

    qsizetype size() const { return m_buffer.size() - (m_gapEnd - m_gapStart); }
    QStringView head() const { return QStringView(m_buffer).first(m_gapStart); }
    QStringView tail() const { return QStringView(m_buffer).sliced(m_gapEnd); }
    QChar at(qsizetype position) const;

    void applyChange(int position, int removed, int added);
    void markStale();
    // Rebuilds the copy unless it is current and agrees with the document.
    void makeCurrent();
    bool agreesWithDocument() const;
    void rebuild();

    void moveGap(qsizetype position);
    void ensureGap(qsizetype length);

    QTextDocument &m_document;
    // The characters before the gap, the gap, the characters after it.
    QString m_buffer;
    qsizetype m_gapStart = 0;
    qsizetype m_gapEnd = 0;
    bool m_stale = true;
    int m_rebuildCount = 0;
    qsizetype m_lastChange = 0; // where the user works, checked on every read
    QTimer *m_rebuildTimer;
};
