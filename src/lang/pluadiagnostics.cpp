#include "pluadiagnostics.h"

#include "quiettimer.h"

#include "plua/parser.h"
#include "plua/programtext.h"

#include <QAction>
#include <QHelpEvent>
#include <QLabel>
#include <QMutex>
#include <QMutexLocker>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QThreadPool>
#include <QToolTip>

#include <climits>
#include <string>

// What a running check shares with the controller: the check posts its
// result only while the controller is alive, under the lock the destructor
// takes to say it is going.
struct PluaDiagnostics::Shared
{
    QMutex mutex;
    PluaDiagnostics *owner = nullptr;
};

namespace {

// Index in `line` (UTF-16) of character column `column` (from 1): columns
// count characters, and a character outside the BMP is two UTF-16 units.
int indexOfColumn(const QString &line, int column)
{
    int index = 0;
    for (int c = 1; c < column && index < line.size(); ++c)
        index += line[index].isHighSurrogate() && index + 1 < line.size() ? 2 : 1;
    return index;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// The text to underline for a fault at `line`, `column`: the word or symbol
// there. A fault past the end of its line (an unfinished statement, the end
// of the program) marks the last word written before it.
QTextCursor markFor(QTextDocument *doc, int line, int column)
{
    QTextBlock block = doc->findBlockByNumber(line - 1);
    if (!block.isValid()) {
        // The end of the program, on the line after the last (the handheld
        // gets the last line ended too): past the end of the last line.
        block = doc->lastBlock();
        column = INT_MAX;
    }
    const QString text = block.text();
    int begin = indexOfColumn(text, column);
    int end = begin;
    if (begin < text.size() && isWordChar(text[begin])) {
        while (end < text.size() && isWordChar(text[end]))
            ++end;
    } else if (begin < text.size() && !text[begin].isSpace()) {
        end = begin + 1;
    } else {
        // Back to the last word before the fault, on this line or above.
        QString before = text.left(begin);
        while (before.trimmed().isEmpty() && block.previous().isValid()) {
            block = block.previous();
            before = block.text();
        }
        end = int(before.size());
        while (end > 0 && before[end - 1].isSpace())
            --end;
        begin = end;
        while (begin > 0 && !before[begin - 1].isSpace())
            --begin;
    }
    QTextCursor mark(block);
    mark.setPosition(block.position() + begin);
    mark.setPosition(block.position() + end, QTextCursor::KeepAnchor);
    return mark;
}

} // namespace

PluaDiagnostics::PluaDiagnostics(QPlainTextEdit *editor, QStatusBar *statusBar)
    : QObject(editor), m_editor(editor), m_pause(new QuietTimer(PauseMs, this)),
      m_goToError(new QAction(QStringLiteral("Go to Error"), editor)),
      m_shared(std::make_shared<Shared>())
{
    setObjectName(QStringLiteral("pluaDiagnostics"));
    m_shared->owner = this;
    connect(m_pause, &QuietTimer::quiet, this, &PluaDiagnostics::checkNow);
    setTextSource(nullptr);
    connect(editor, &QPlainTextEdit::textChanged, this, &PluaDiagnostics::textEdited);

    if (statusBar) {
        m_field = new QLabel(statusBar);
        m_field->setObjectName(QStringLiteral("pluaErrorField"));
        m_field->setTextFormat(Qt::PlainText);
        // A permanent widget on the right: the caret line status keeps the
        // left part, with room for "Line 100000 of 100000".
        const int statusRoom =
            m_field->fontMetrics().horizontalAdvance(QStringLiteral("Line 100000 of 100000 "));
        m_field->setMaximumWidth(std::max(80, statusBar->width() - statusRoom));
        statusBar->addPermanentWidget(m_field);
    }

    m_goToError->setObjectName(QStringLiteral("actGoToError"));
    m_goToError->setShortcut(QKeySequence(Qt::Key_F8));
    m_goToError->setShortcutContext(Qt::WindowShortcut);
    connect(m_goToError, &QAction::triggered, this, &PluaDiagnostics::goToError);
    editor->addAction(m_goToError);

    editor->viewport()->installEventFilter(this);
    m_pause->poke();
}

PluaDiagnostics::~PluaDiagnostics()
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->owner = nullptr;
}

void PluaDiagnostics::setColours(const QColor &mark, const QColor &statusText)
{
    if (m_field) {
        QPalette palette = m_field->palette();
        palette.setColor(QPalette::WindowText, statusText);
        m_field->setPalette(palette);
    }
    if (mark != m_markColour) {
        m_markColour = mark;
        showMark();
    }
}

void PluaDiagnostics::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    ++m_generation; // a check under way no longer counts
    if (active) {
        m_pause->poke();
    } else {
        m_pause->stop();
        finished(m_generation, 0, 0, QString());
    }
}

QString PluaDiagnostics::statusText() const
{
    if (m_line == 0)
        return QString();
    return QStringLiteral("Line %1, column %2: %3").arg(m_line).arg(m_column).arg(m_message);
}

void PluaDiagnostics::textEdited()
{
    if (!m_active)
        return;
    ++m_generation;
    m_pause->poke();
}

void PluaDiagnostics::setTextSource(TextSource source)
{
    if (!source) {
        const QTextDocument *doc = m_editor->document();
        // One copy of the whole text; the worker turns the separators into
        // line breaks.
        source = [doc] { return doc->toRawText(); };
    }
    m_source = std::move(source);
}

void PluaDiagnostics::checkNow()
{
    if (!m_active)
        return;
    m_pause->stop();
    // The text is read here, on the document's thread; the check works on
    // the copy.
    QString text = m_source();
    const quint64 generation = m_generation;
    QThreadPool::globalInstance()->start(
        [shared = m_shared, generation, text = std::move(text)]() mutable {
            text.replace(QChar::ParagraphSeparator, u'\n');
            const QByteArray utf8 = text.toUtf8();
            const std::string program =
                plua::handheldText(std::string_view(utf8.constData(), std::size_t(utf8.size())));
            const plua::ParseResult result = plua::parse(program, plua::ParseMode::CheckOnly);
            const int line = result.error ? result.error->line : 0;
            const int column = result.error ? result.error->column : 0;
            const QString message =
                result.error ? QString::fromStdString(result.error->message) : QString();
            QMutexLocker lock(&shared->mutex);
            if (PluaDiagnostics *owner = shared->owner)
                QMetaObject::invokeMethod(
                    owner,
                    [owner, generation, line, column, message] {
                        owner->finished(generation, line, column, message);
                    },
                    Qt::QueuedConnection);
        });
}

void PluaDiagnostics::finished(quint64 generation, int line, int column, const QString &message)
{
    // The text has changed since this snapshot: a newer check is coming.
    if (generation != m_generation)
        return;
    m_line = line;
    m_column = column;
    m_message = message;
    m_mark = QTextCursor();
    if (line > 0)
        m_mark = markFor(m_editor->document(), line, column);
    if (m_field) {
        // Cut to the field's width; the whole message is its tool tip.
        m_field->setText(m_field->fontMetrics().elidedText(statusText(), Qt::ElideRight,
                                                           m_field->maximumWidth()));
        m_field->setToolTip(statusText());
    }
    showMark();
    emit resultChanged();
}

void PluaDiagnostics::showMark()
{
    QList<QTextEdit::ExtraSelection> selections;
    if (!m_mark.isNull() && m_mark.hasSelection()) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = m_mark;
        mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        mark.format.setUnderlineColor(m_markColour);
        mark.format.setToolTip(m_message);
        selections.append(mark);
    }
    m_editor->setExtraSelections(selections);
}

void PluaDiagnostics::goToError()
{
    if (m_line == 0 || m_mark.isNull())
        return;
    QTextCursor caret(m_mark);
    caret.setPosition(m_mark.selectionStart());
    m_editor->setTextCursor(caret);
    m_editor->ensureCursorVisible();
    m_editor->setFocus(Qt::ShortcutFocusReason);
    const QRect at = m_editor->cursorRect();
    QToolTip::showText(m_editor->viewport()->mapToGlobal(at.bottomLeft()), statusText(),
                       m_editor->viewport());
}

bool PluaDiagnostics::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ToolTip && m_line > 0 && !m_mark.isNull()) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int position = m_editor->cursorForPosition(help->pos()).position();
        if (position >= m_mark.selectionStart() && position <= m_mark.selectionEnd()) {
            QToolTip::showText(help->globalPos(), statusText(), m_editor->viewport());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
