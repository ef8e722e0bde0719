#include "pluahighlighter.h"

#include "highlightscanner.h"
#include "catalogue.h"
#include "editorcolours.h"

#include <QColor>
#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <climits>

namespace {

using HighlightScanner::Code;
using HighlightScanner::Ranges;
using HighlightScanner::scanLine;

// A line's user state holds the scanner state it ends in and whether its
// colours are up to date; -1 is a line not scanned yet.
constexpr int Unknown = -1;

int packState(int state, bool coloured)
{
    return ((state + 4) << 1) | (coloured ? 1 : 0);
}

int stateOf(int packed)
{
    return (packed >> 1) - 4;
}

bool isColoured(int packed)
{
    return packed != Unknown && (packed & 1) != 0;
}

} // namespace

PluaHighlighter::PluaHighlighter(QTextDocument *document)
    : QObject(document), m_windowTimer(new QTimer(this))
{
    // Colours only, in the editor's own font: a bold or italic piece would
    // be shaped with a font of its own on every key.
    const EditorColours::Set colours = EditorColours::forPalette(QGuiApplication::palette());
    for (int kind = 0; kind < EditorColours::SyntaxKinds; ++kind)
        m_formats[kind].setForeground(colours.syntax[kind]);

    // Lines that come into view are coloured once the event loop is free:
    // never inside an edit, where the document is half changed.
    m_windowTimer->setSingleShot(true);
    m_windowTimer->setInterval(0);
    connect(m_windowTimer, &QTimer::timeout, this, &PluaHighlighter::colourWindow);
    m_windowLast = INT_MAX;
    setDocument(document);
}

QTextCharFormat PluaHighlighter::format(Kind kind) const
{
    return m_formats[int(kind)];
}

void PluaHighlighter::setColours(const QColor *colours)
{
    bool changed = false;
    for (int kind = 0; kind < EditorColours::SyntaxKinds; ++kind) {
        if (m_formats[kind].foreground().color() != colours[kind]) {
            m_formats[kind].setForeground(colours[kind]);
            changed = true;
        }
    }
    if (!changed || !m_doc)
        return;
    // The states stay right; only the colours of scanned lines are stale.
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        const int packed = block.userState();
        if (isColoured(packed))
            block.setUserState(packState(stateOf(packed), false));
    }
    colourWindow();
}

const QSet<QString> &PluaHighlighter::libraryNames()
{
    static const QSet<QString> names = [] {
        QSet<QString> set;
        for (const Catalogue::Entry &entry : Catalogue::entries()) {
            const QString text = QString::fromLatin1(entry.listText);
            set.insert(text.left(text.indexOf(u'(')));
        }
        return set;
    }();
    return names;
}

void PluaHighlighter::setDocument(QTextDocument *document)
{
    if (document == m_doc)
        return;
    if (m_doc) {
        disconnect(m_doc, nullptr, this, nullptr);
        clearColours();
    }
    m_doc = document;
    m_frontier = QTextCursor();
    m_allKnown = false;
    m_editPending = false;
    if (!m_doc)
        return;
    m_blocks = m_doc->blockCount();
    m_frontier = QTextCursor(m_doc);
    // Text typed at the frontier lies beyond it: not scanned yet.
    m_frontier.setKeepPositionOnInsert(true);
    connect(m_doc, &QTextDocument::contentsChange, this, &PluaHighlighter::contentsChange);
    connect(m_doc, &QTextDocument::contentsChanged, this, [this] { m_editPending = false; });
    updateWindow();
    colourWindow();
}

void PluaHighlighter::setView(QPlainTextEdit *view)
{
    if (m_view == view)
        return;
    if (m_view) {
        disconnect(m_view->verticalScrollBar(), nullptr, this, nullptr);
        m_view->viewport()->removeEventFilter(this);
    }
    m_view = view;
    if (m_view) {
        // Scrolling colours the lines coming into view before they are
        // painted: the repaint the scroll asked for has not happened yet.
        connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
            if (m_editPending)
                scheduleWindow();
            else
                colourWindow();
        });
        m_view->viewport()->installEventFilter(this);
    }
    updateWindow();
    scheduleWindow();
}

bool PluaHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_view && watched == m_view->viewport() && event->type() == QEvent::Resize)
        scheduleWindow();
    return QObject::eventFilter(watched, event);
}

void PluaHighlighter::scheduleWindow()
{
    if (m_doc)
        m_windowTimer->start();
}

void PluaHighlighter::updateWindow()
{
    if (!m_view || !m_doc) {
        m_windowFirst = 0;
        m_windowLast = INT_MAX;
        return;
    }
    const int top = m_view->cursorForPosition(QPoint(0, 0)).blockNumber();
    const int lines =
        m_view->viewport()->height() / std::max(1, m_view->fontMetrics().lineSpacing()) + 1;
    // A screen above and below as well, so that paging shows colours at once.
    m_windowFirst = std::max(0, top - lines);
    m_windowLast = top + 2 * lines;
}

bool PluaHighlighter::inWindow(int blockNumber) const
{
    return blockNumber >= m_windowFirst && blockNumber <= m_windowLast;
}

int PluaHighlighter::frontier() const
{
    if (m_allKnown)
        return m_doc->blockCount();
    return m_frontier.block().blockNumber();
}

void PluaHighlighter::setFrontier(const QTextBlock &block)
{
    if (!block.isValid()) {
        m_allKnown = true;
        return;
    }
    m_allKnown = false;
    m_frontier.setPosition(block.position());
}

int PluaHighlighter::startState(const QTextBlock &block) const
{
    const QTextBlock previous = block.previous();
    if (!previous.isValid() || previous.userState() == Unknown)
        return Code;
    return stateOf(previous.userState());
}

int PluaHighlighter::scan(const QTextBlock &block, int state, bool colour, bool inEdit)
{
    ++m_linesScanned;
    const bool firstLine = !block.previous().isValid();
    QTextBlock line = block;
    if (!colour) {
        const int end = scanLine(line.text(), state, firstLine, m_formats, nullptr);
        line.setUserState(packState(end, false));
        return end;
    }
    Ranges ranges;
    const int end = scanLine(line.text(), state, firstLine, m_formats, &ranges);
    QTextLayout *layout = line.layout();
    if (layout->formats() != ranges) {
        layout->setFormats(ranges);
        // Inside an edit the document lays the line out once the edit is
        // done; outside, it is told here.
        if (!inEdit)
            m_doc->markContentsDirty(line.position(), line.length());
    }
    line.setUserState(packState(end, true));
    return end;
}

void PluaHighlighter::contentsChange(int from, int removed, int added)
{
    Q_UNUSED(removed);
    m_editPending = true;
    QTextBlock block = m_doc->findBlock(from);
    if (!block.isValid())
        return;
    const int lastChanged =
        m_doc->findBlock(std::min(from + added, m_doc->characterCount() - 1)).blockNumber();
    const int known = frontier();
    const int blocks = m_doc->blockCount();
    int number = block.blockNumber();
    if (number < known) {
        int state = startState(block);
        // The changed lines, then those after them for as long as the state
        // a line ends in differs from before. Past the window the rest waits:
        // it is scanned when it comes into view.
        for (; block.isValid() && number < known; block = block.next(), ++number) {
            if (number > m_windowLast) {
                setFrontier(block);
                break;
            }
            const int before = block.userState();
            state = scan(block, state, number >= m_windowFirst, true);
            if (number > lastChanged && before != Unknown && stateOf(before) == state)
                break;
        }
    }
    // New lines in reach of the view (all of them without one) now, in the
    // same layout pass as the edit.
    extendToWindow(true);
    // Lines added or removed move the view's lines: those that come into
    // view are seen to when the edit is done. Typing within a line needs no
    // more than the above.
    if (blocks != m_blocks)
        scheduleWindow();
    m_blocks = blocks;
}

void PluaHighlighter::colourWindow()
{
    m_windowTimer->stop();
    if (!m_doc)
        return;
    m_editPending = false;
    updateWindow();
    const int known = frontier();

    // Lines in the window whose state is known but whose colours are not.
    QTextBlock block = m_doc->findBlockByNumber(m_windowFirst);
    int number = m_windowFirst;
    for (; block.isValid() && number < known && number <= m_windowLast;
         block = block.next(), ++number) {
        if (!isColoured(block.userState()))
            scan(block, startState(block), true, false);
    }

    extendToWindow(false);
}

void PluaHighlighter::extendToWindow(bool inEdit)
{
    // Lines past the frontier up to the window's end: those above the window
    // only for their state.
    const int known = frontier();
    if (known > m_windowLast)
        return;
    QTextBlock block = m_doc->findBlockByNumber(known);
    int number = known;
    int state = startState(block);
    for (; block.isValid() && number <= m_windowLast; block = block.next(), ++number)
        state = scan(block, state, number >= m_windowFirst, inEdit);
    setFrontier(block);
}

void PluaHighlighter::clearColours()
{
    for (QTextBlock block = m_doc->begin(); block.isValid(); block = block.next()) {
        if (!block.layout()->formats().isEmpty()) {
            block.layout()->clearFormats();
            m_doc->markContentsDirty(block.position(), block.length());
        }
        block.setUserState(Unknown);
    }
}
