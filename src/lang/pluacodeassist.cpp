#include "pluacodeassist.h"

#include "quiettimer.h"

#include "catalogue.h"
#include "pluahighlighter.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QToolTip>

namespace {

bool isNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

// The name around index `at` of `line` (touching it on either side).
QString wordAround(const QString &line, int at, int *startOut = nullptr)
{
    int start = at;
    while (start > 0 && isNameChar(line[start - 1]))
        --start;
    int end = at;
    while (end < line.size() && isNameChar(line[end]))
        ++end;
    if (startOut)
        *startOut = start;
    return line.mid(start, end - start);
}

bool isLibraryName(const QString &line, int start, const QString &word)
{
    if (!PluaHighlighter::libraryNames().contains(word))
        return false;
    // t.pbox and t:pbox are fields of a table, not the library's function.
    int before = start;
    while (before > 0 && (line[before - 1] == u' ' || line[before - 1] == u'\t'))
        --before;
    return before == 0 || (line[before - 1] != u'.' && line[before - 1] != u':');
}

} // namespace

PluaCodeAssist::PluaCodeAssist(QPlainTextEdit *editor)
    : QObject(editor), m_editor(editor), m_rest(new QuietTimer(RestMs, this)),
      m_tip(new QLabel(editor->viewport())), m_completer(new QCompleter(this))
{
    setObjectName(QStringLiteral("pluaCodeAssist"));
    connect(m_rest, &QuietTimer::quiet, this, &PluaCodeAssist::showCaretTip);
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &PluaCodeAssist::caretMoved);

    // A child of the text area rather than a window: it takes no focus and
    // scrolls nothing, and goes with the editor.
    m_tip->setObjectName(QStringLiteral("pluaCaretTip"));
    m_tip->setTextFormat(Qt::PlainText);
    m_tip->setWordWrap(true);
    m_tip->setFrameShape(QFrame::Box);
    m_tip->setMargin(3);
    m_tip->setAutoFillBackground(true);
    m_tip->setAttribute(Qt::WA_TransparentForMouseEvents);
    QFont tipFont = m_tip->font();
    tipFont.setBold(false);
    m_tip->setFont(tipFont);
    m_tip->hide();

    QStringList names;
    for (const Catalogue::Entry &entry : Catalogue::entries())
        names.append(QString::fromLatin1(entry.listText));
    names.sort();
    m_completer->setModel(new QStringListModel(names, m_completer));
    m_completer->setModelSorting(QCompleter::CaseSensitivelySortedModel);
    m_completer->setCaseSensitivity(Qt::CaseSensitive);
    m_completer->setCompletionMode(QCompleter::PopupCompletion);
    m_completer->setWidget(editor);
    m_completer->popup()->setObjectName(QStringLiteral("pluaCompletionList"));
    // Installed after the completer's own filter, so this one sees keys first.
    m_completer->popup()->installEventFilter(this);
    connect(m_completer, qOverload<const QString &>(&QCompleter::activated), this,
            &PluaCodeAssist::insertCompletion);

    editor->installEventFilter(this);
    editor->viewport()->installEventFilter(this);
}

void PluaCodeAssist::setTipColours(const QColor &background, const QColor &text)
{
    QPalette palette = m_tip->palette();
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::WindowText, text);
    m_tip->setPalette(palette);
}

void PluaCodeAssist::setActive(bool active)
{
    m_active = active;
    if (!active) {
        m_rest->stop();
        m_tip->hide();
        m_completer->popup()->hide();
    }
}

QString PluaCodeAssist::signatureOf(const QString &helpText)
{
    // The text starts "name(args): what it does"; the signature ends at the
    // parenthesis that closes the first one.
    int depth = 0;
    for (int i = 0; i < helpText.size(); ++i) {
        if (helpText[i] == u'(') {
            ++depth;
        } else if (helpText[i] == u')' && --depth == 0) {
            return helpText.left(i + 1);
        }
    }
    return helpText.section(u':', 0, 0);
}

QString PluaCodeAssist::helpFor(const QString &name)
{
    return Catalogue::helpFor(QString(name + QStringLiteral("()")));
}

QString PluaCodeAssist::nameAt(int position) const
{
    const QTextBlock block = m_editor->document()->findBlock(position);
    if (!block.isValid())
        return QString();
    const QString line = block.text();
    int start = 0;
    const QString word = wordAround(line, position - block.position(), &start);
    return isLibraryName(line, start, word) ? word : QString();
}

QString PluaCodeAssist::callAt(int position) const
{
    const QTextBlock block = m_editor->document()->findBlock(position);
    if (!block.isValid())
        return QString();
    const QString line = block.text();
    // Back from the caret to the '(' that is still open there, skipping
    // nested calls that close before it.
    int depth = 0;
    for (int i = position - block.position() - 1; i >= 0; --i) {
        const QChar c = line[i];
        if (c == u')') {
            ++depth;
        } else if (c == u'(' && depth-- == 0) {
            int end = i;
            while (end > 0 && (line[end - 1] == u' ' || line[end - 1] == u'\t'))
                --end;
            int start = 0;
            const QString word = end > 0 ? wordAround(line, end, &start) : QString();
            return isLibraryName(line, start, word) ? word : QString();
        }
    }
    return QString();
}

QString PluaCodeAssist::caretTip() const
{
    return m_tip->isVisible() ? m_tip->text() : QString();
}

void PluaCodeAssist::caretMoved()
{
    if (!m_active)
        return;
    m_tip->hide();
    m_rest->poke();
}

void PluaCodeAssist::showCaretTip()
{
    if (!m_active || m_completer->popup()->isVisible())
        return;
    const QTextCursor caret = m_editor->textCursor();
    if (caret.hasSelection())
        return;
    // On an underlined fault its message comes first: no tip to cover it.
    for (const QTextEdit::ExtraSelection &mark : m_editor->extraSelections())
        if (caret.position() >= mark.cursor.selectionStart() &&
            caret.position() <= mark.cursor.selectionEnd())
            return;
    QString text;
    const QString name = nameAt(caret.position());
    if (!name.isEmpty()) {
        text = helpFor(name);
    } else {
        const QString call = callAt(caret.position());
        if (!call.isEmpty())
            text = signatureOf(helpFor(call));
    }
    if (text.isEmpty())
        return;

    // Below the caret's line, or above it when the line is near the bottom.
    const QRect caretRect = m_editor->cursorRect();
    const QWidget *area = m_editor->viewport();
    const int width = std::min(area->width() - 8, 420);
    m_tip->setText(text);
    m_tip->setFixedWidth(width);
    m_tip->adjustSize();
    int top = caretRect.bottom() + 2;
    if (top + m_tip->height() > area->height())
        top = std::max(0, caretRect.top() - m_tip->height() - 2);
    const int left = std::clamp(caretRect.left() - 8, 0, std::max(0, area->width() - width));
    m_tip->move(left, top);
    m_tip->show();
    m_tip->raise();
}

void PluaCodeAssist::complete()
{
    if (!m_active)
        return;
    m_tip->hide();
    const QTextCursor caret = m_editor->textCursor();
    const QTextBlock block = caret.block();
    const QString line = block.text();
    int start = caret.positionInBlock();
    while (start > 0 && isNameChar(line[start - 1]))
        --start;
    m_completer->setCompletionPrefix(line.mid(start, caret.positionInBlock() - start));
    if (m_completer->completionCount() == 0)
        return;
    m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(0, 0));
    QRect rect = m_editor->cursorRect();
    rect.setWidth(m_completer->popup()->sizeHintForColumn(0) +
                  m_completer->popup()->verticalScrollBar()->sizeHint().width() + 8);
    m_completer->complete(rect);
}

void PluaCodeAssist::refreshCompletion()
{
    const QTextCursor caret = m_editor->textCursor();
    const QString line = caret.block().text();
    int start = caret.positionInBlock();
    while (start > 0 && isNameChar(line[start - 1]))
        --start;
    const QString prefix = line.mid(start, caret.positionInBlock() - start);
    if (prefix.isEmpty()) {
        m_completer->popup()->hide();
        return;
    }
    m_completer->setCompletionPrefix(prefix);
    if (m_completer->completionCount() == 0)
        m_completer->popup()->hide();
    else
        m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(0, 0));
}

void PluaCodeAssist::insertCompletion(const QString &listText)
{
    const QString name = listText.left(listText.indexOf(u'('));
    QTextCursor caret = m_editor->textCursor();
    const QString line = caret.block().text();
    int start = caret.positionInBlock();
    while (start > 0 && isNameChar(line[start - 1]))
        --start;
    // The name typed so far is replaced: the list matches it case-sensitively.
    caret.setPosition(caret.block().position() + start, QTextCursor::KeepAnchor);
    const int next = caret.block().position() + caret.positionInBlock();
    const bool parenFollows = line.mid(next - caret.block().position()).startsWith(u'(');
    caret.insertText(parenFollows ? name : name + u'(');
    m_editor->setTextCursor(caret);
}

bool PluaCodeAssist::eventFilter(QObject *watched, QEvent *event)
{
    QWidget *popup = m_completer->popup();
    if (watched == popup && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab: {
            const QModelIndex current = m_completer->popup()->currentIndex();
            popup->hide();
            if (current.isValid())
                insertCompletion(current.data().toString());
            return true;
        }
        case Qt::Key_Escape:
            popup->hide();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return false; // the list moves its selection
        default:
            // Typing goes on in the editor, and the list follows the name.
            static_cast<QObject *>(m_editor)->event(key);
            refreshCompletion();
            return true;
        }
    }
    if (watched == m_editor && event->type() == QEvent::KeyPress && m_active) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Space && (key->modifiers() & Qt::ControlModifier)) {
            complete();
            return true;
        }
        if (key->key() == Qt::Key_Escape && m_tip->isVisible()) {
            m_tip->hide();
            return true;
        }
    }
    if (watched == m_editor->viewport() && event->type() == QEvent::ToolTip && m_active) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QTextCursor at = m_editor->cursorForPosition(help->pos());
        // cursorForPosition gives the nearest gap; the name must be under the pointer.
        const QRect gap = m_editor->cursorRect(at);
        const bool pointerRight = help->pos().x() >= gap.left();
        QString name = nameAt(at.position());
        if (!name.isEmpty()) {
            const QTextBlock block = at.block();
            int start = 0;
            wordAround(block.text(), at.positionInBlock(), &start);
            const int end = start + int(name.size());
            const int inBlock = at.positionInBlock();
            if ((inBlock == end && pointerRight) || (inBlock == start && !pointerRight))
                name.clear();
        }
        if (name.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
            return false;
        }
        QToolTip::showText(help->globalPos(), helpFor(name), m_editor->viewport());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
