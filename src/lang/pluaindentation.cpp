#include "pluaindentation.h"

#include "codewords.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>

namespace {

const QString Step = QStringLiteral("  ");

QString leadingSpace(const QString &line)
{
    qsizetype i = 0;
    while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
        ++i;
    return line.left(i);
}

// Blocks that `line` leaves open: function, do, then, repeat and a leading
// else open one, end and until close one. Strings and comments are skipped.
int openBlocks(const QString &line)
{
    int open = 0;
    bool first = true;
    CodeWords::forEach(line, [&](CodeWords::Kind kind, QStringView word, qsizetype) {
        if (kind == CodeWords::Kind::Name) {
            if (word == u"function" || word == u"do" || word == u"then" || word == u"repeat" ||
                (first && word == u"else"))
                ++open;
            else if (word == u"end" || word == u"until")
                --open;
        }
        first = false;
    });
    return open;
}

} // namespace

PluaIndentation::PluaIndentation(QPlainTextEdit *editor) : QObject(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("pluaIndentation"));
    editor->installEventFilter(this);
    connect(editor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_typed)
            return;
        m_typed = false;
        // After the key's own edit has finished.
        QMetaObject::invokeMethod(this, &PluaIndentation::dedentClosingWord, Qt::QueuedConnection);
    });
}

QString PluaIndentation::indentAfter(const QString &line)
{
    const QString indent = leadingSpace(line);
    return openBlocks(line) > 0 ? indent + (indent.endsWith(u'\t') ? QStringLiteral("\t") : Step)
                                : indent;
}

bool PluaIndentation::eventFilter(QObject *watched, QEvent *event)
{
    // Only keys from the keyboard: what the program types keeps its form.
    if (watched != m_editor || event->type() != QEvent::KeyPress || !event->spontaneous() ||
        !m_active || m_editor->isReadOnly())
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers =
        key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        modifiers == Qt::NoModifier) {
        newLine();
        return true;
    }
    m_typed = !key->text().isEmpty() && key->text().front().isLetter();
    return QObject::eventFilter(watched, event);
}

void PluaIndentation::newLine()
{
    QTextCursor cursor = m_editor->textCursor();
    const QString before = cursor.block().text().left(cursor.positionInBlock());
    cursor.beginEditBlock();
    cursor.insertBlock();
    cursor.insertText(indentAfter(before));
    cursor.endEditBlock();
    m_editor->setTextCursor(cursor);
    m_editor->ensureCursorVisible();
}

void PluaIndentation::dedentClosingWord()
{
    QTextCursor cursor = m_editor->textCursor();
    const QTextBlock block = cursor.block();
    const QString text = block.text();
    const QString indent = leadingSpace(text);
    const QString word = text.mid(indent.size());
    const bool closing = word == u"end" || word == u"else" || word == u"elseif" || word == u"until";
    if (!m_steppedBack.isNull() && m_steppedBack.block() == block) {
        const QString first = word.section(u' ', 0, 0);
        if (!closing && first.size() > 1 && !first.startsWith(u"else") && openBlocks(first) == 0 &&
            cursor.atBlockEnd()) {
            QTextCursor edit(block);
            edit.joinPreviousEditBlock();
            edit.setPosition(block.position() + int(indent.size()));
            edit.insertText(m_taken);
            edit.endEditBlock();
            m_steppedBack = QTextCursor();
            return;
        }
    }
    if (indent.isEmpty() || cursor.hasSelection() || !cursor.atBlockEnd() || !closing)
        return;
    // Only from the level of the lines above: a word already stepped back
    // (else becoming elseif) stays where it is.
    QTextBlock above = block.previous();
    while (above.isValid() && above.text().trimmed().isEmpty())
        above = above.previous();
    if (above.isValid() && indent.size() < leadingSpace(above.text()).size())
        return;
    const int remove =
        indent.endsWith(u'\t') ? 1 : int(std::min<qsizetype>(Step.size(), indent.size()));
    QTextCursor edit(block);
    edit.joinPreviousEditBlock();
    edit.setPosition(block.position() + int(indent.size()) - remove);
    edit.setPosition(block.position() + int(indent.size()), QTextCursor::KeepAnchor);
    m_taken = edit.selectedText();
    edit.removeSelectedText();
    edit.endEditBlock();
    m_steppedBack = QTextCursor(block);
}
