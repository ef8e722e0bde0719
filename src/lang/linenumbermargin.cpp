#include "linenumbermargin.h"

#include "document/editortextedit.h"

#include <QAbstractTextDocumentLayout>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTextBlock>
#include <QToolTip>

#include <algorithm>

namespace {

constexpr int Padding = 4; // between the numbers and either edge
// A breakpoint's mark: white numbers on it stand out 5.9:1.
const QColor BreakpointFill(196, 32, 32);

int digitsFor(int count)
{
    int digits = 1;
    for (; count >= 10; count /= 10)
        ++digits;
    return std::max(digits, 2);
}

} // namespace

LineNumberMargin::LineNumberMargin(EditorTextEdit *editor) : QWidget(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("lineNumberMargin"));
    setColours(palette().color(QPalette::Window), palette().color(QPalette::WindowText),
               Qt::darkRed, Qt::white);
    setFont(editor->font());
    setAutoFillBackground(false);
    // It paints all of itself: nothing below it needs repainting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(editor, &QPlainTextEdit::blockCountChanged, this, &LineNumberMargin::updateWidth);
    // The editor reports what it repaints and scrolls; the numbers follow.
    connect(editor, &QPlainTextEdit::updateRequest, this, [this](const QRect &rect, int dy) {
        if (dy != 0)
            update();
        else
            update(0, rect.y(), width(), rect.height());
    });
    editor->installEventFilter(this);
    updateWidth();
    show();
}

int LineNumberMargin::neededWidth() const
{
    return 2 * Padding +
           fontMetrics().horizontalAdvance(u'9') * digitsFor(m_editor->expectedLineCount());
}

void LineNumberMargin::updateWidth()
{
    const int digits = digitsFor(m_editor->expectedLineCount());
    if (digits == m_digits)
        return;
    m_digits = digits;
    m_editor->setLeftMargin(neededWidth());
    placeBesideText();
}

void LineNumberMargin::placeBesideText()
{
    const QRect area = m_editor->contentsRect();
    setGeometry(area.left(), area.top(), neededWidth(), area.height());
    update();
}

void LineNumberMargin::setMarkedLine(int line, const QString &message)
{
    if (line == m_markedLine && message == m_message)
        return;
    m_markedLine = line;
    m_message = message;
    update();
}

void LineNumberMargin::setColours(const QColor &background, const QColor &text,
                                  const QColor &markFill, const QColor &markText)
{
    m_background = background;
    m_text = text;
    m_markFill = markFill;
    m_markText = markText;
    update();
}

QList<LineNumberMargin::Row> LineNumberMargin::visibleRows() const
{
    QList<Row> rows;
    const QWidget *viewport = m_editor->viewport();
    const int offset = viewport->geometry().top() - geometry().top();
    QTextBlock block = m_editor->cursorForPosition(QPoint(0, 0)).block();
    if (!block.isValid())
        return rows;
    // One position from the editor; the lines below follow by their heights,
    // so a repaint costs the same however long the program is.
    qreal top = m_editor->cursorRect(QTextCursor(block)).top();
    const QAbstractTextDocumentLayout *layout = m_editor->document()->documentLayout();
    for (; block.isValid() && top <= viewport->height(); block = block.next()) {
        if (!block.isVisible())
            continue;
        const qreal height = layout->blockBoundingRect(block).height();
        rows.append({block.blockNumber() + 1, int(top) + offset, int(height)});
        top += height;
    }
    return rows;
}

void LineNumberMargin::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_background);
    const int right = width() - Padding;
    const QList<Row> rows = visibleRows();
    const QList<int> breakpointLines = breakpoints();
    // Numbers never taller than their lines, however the text was sized.
    if (!rows.isEmpty() && rows.first().height > 0 &&
        painter.fontMetrics().height() > rows.first().height) {
        QFont smaller = font();
        smaller.setPixelSize(std::max(1, rows.first().height * 4 / 5));
        painter.setFont(smaller);
    }
    for (const Row &row : rows) {
        if (row.top + row.height < event->rect().top() || row.top > event->rect().bottom())
            continue;
        const QRect box(0, row.top, width(), row.height);
        const bool breakpoint = breakpointLines.contains(row.line);
        if (row.line == m_markedLine) {
            painter.fillRect(box.adjusted(1, 0, -1, 0), m_markFill);
            painter.setPen(m_markText);
        } else if (row.line == m_pausedLine) {
            painter.fillRect(box, palette().color(QPalette::Highlight));
            painter.setPen(palette().color(QPalette::HighlightedText));
        } else {
            painter.setPen(m_text);
        }
        if (breakpoint) {
            // A round mark: red with white text, or a red ring round a
            // line that is marked already.
            painter.save();
            painter.setRenderHint(QPainter::Antialiasing);
            const QRectF pill = QRectF(box).adjusted(1.5, 1.5, -1.5, -1.5);
            const qreal radius = pill.height() / 2;
            if (row.line == m_markedLine || row.line == m_pausedLine) {
                painter.setPen(QPen(BreakpointFill, 2));
                painter.drawRoundedRect(pill, radius, radius);
            } else {
                painter.setPen(Qt::NoPen);
                painter.setBrush(BreakpointFill);
                painter.drawRoundedRect(pill, radius, radius);
            }
            painter.restore();
            if (row.line != m_markedLine && row.line != m_pausedLine)
                painter.setPen(Qt::white);
        }
        painter.drawText(QRect(0, row.top, right, row.height), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(row.line));
    }
}

bool LineNumberMargin::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && (m_markedLine > 0 || !m_breakpoints.isEmpty())) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QList<int> breakpointLines = breakpoints();
        for (const Row &row : visibleRows()) {
            if (help->pos().y() < row.top || help->pos().y() >= row.top + row.height)
                continue;
            QStringList tips;
            if (row.line == m_markedLine)
                tips << m_message;
            if (breakpointLines.contains(row.line))
                tips << (m_breakpointTip ? m_breakpointTip(row.line) : tr("Breakpoint"));
            if (!tips.isEmpty()) {
                QToolTip::showText(help->globalPos(), tips.join(QLatin1Char('\n')), this);
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

QList<int> LineNumberMargin::breakpoints() const
{
    QList<int> lines;
    for (const QTextCursor &cursor : m_breakpoints)
        lines.append(cursor.blockNumber() + 1);
    std::sort(lines.begin(), lines.end());
    // Lines deleted round a breakpoint leave it once, on the line that took
    // their place.
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void LineNumberMargin::setBreakpoints(const QList<int> &lines)
{
    m_breakpoints.clear();
    QTextDocument *document = m_editor->document();
    for (const int line : lines) {
        const QTextBlock block = document->findBlockByNumber(line - 1);
        if (block.isValid())
            m_breakpoints.append(QTextCursor(block));
    }
    update();
    emit breakpointsChanged();
}

void LineNumberMargin::toggleBreakpoint(int line)
{
    QList<int> lines = breakpoints();
    if (lines.contains(line))
        lines.removeAll(line);
    else
        lines.append(line);
    setBreakpoints(lines);
}

void LineNumberMargin::setPausedLine(int line)
{
    if (line == m_pausedLine)
        return;
    m_pausedLine = line;
    update();
}

void LineNumberMargin::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    for (const Row &row : visibleRows()) {
        if (event->position().y() >= row.top && event->position().y() < row.top + row.height) {
            toggleBreakpoint(row.line);
            return;
        }
    }
}

bool LineNumberMargin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor &&
        (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)) {
        if (event->type() == QEvent::FontChange) {
            setFont(m_editor->font());
            m_digits = 0;
            updateWidth();
        }
        placeBesideText();
    }
    return QWidget::eventFilter(watched, event);
}
