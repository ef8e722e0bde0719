#include "caretmarks.h"

#include "codewords.h"
#include "document/editortextedit.h"

#include <QTextBlock>
#include <QTextDocument>

namespace {

// A bracket or block keyword, at its place in the document.
struct Token
{
    QString text;
    int start;
};

bool isOpener(const QString &word)
{
    return word == u"function" || word == u"if" || word == u"while" || word == u"for" ||
           word == u"repeat" || word == u"do" || word == u"(" || word == u"[" || word == u"{";
}

bool isCloser(const QString &word)
{
    return word == u"end" || word == u"until" || word == u")" || word == u"]" || word == u"}";
}

bool pairs(const QString &open, const QString &close)
{
    if (open == u"(")
        return close == u")";
    if (open == u"[")
        return close == u"]";
    if (open == u"{")
        return close == u"}";
    if (open == u"repeat")
        return close == u"until";
    return close == u"end";
}

// The brackets and block keywords of the lines from `first` to `last`,
// outside strings and comments. A loop's own `do` is part of its while or
// for and left out.
QList<Token> tokensOf(const QTextBlock &first, const QTextBlock &last)
{
    QList<Token> tokens;
    bool loopHead = false;
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        const int base = block.position();
        CodeWords::forEach(block.text(), [&](CodeWords::Kind kind, QStringView text, qsizetype at) {
            const QString word = text.toString();
            if (kind == CodeWords::Kind::Name) {
                if (word == u"do" && loopHead) {
                    loopHead = false;
                } else if (isOpener(word) || isCloser(word)) {
                    tokens.append({word, base + int(at)});
                    loopHead = loopHead || word == u"while" || word == u"for";
                }
            } else if (kind == CodeWords::Kind::Other && QStringLiteral("()[]{}").contains(word)) {
                tokens.append({word, base + int(at)});
            }
        });
        if (block == last)
            break;
    }
    return tokens;
}

} // namespace

CaretMarks::CaretMarks(EditorTextEdit *editor) : QObject(editor), m_editor(editor)
{
    setObjectName(QStringLiteral("caretMarks"));
    connect(editor, &QPlainTextEdit::cursorPositionChanged, this, &CaretMarks::update);
    connect(editor, &QPlainTextEdit::textChanged, this, &CaretMarks::update);
}

void CaretMarks::setColours(const QColor &caretLine, const QColor &match)
{
    m_caretLine = caretLine;
    m_match = match;
    m_markedLine = -1;
    update();
}

QList<CaretMarks::Span> CaretMarks::matchAt(const QTextDocument &document, int position)
{
    const QTextBlock here = document.findBlock(position);
    if (!here.isValid())
        return {};
    // The token the caret is in or touches.
    const QList<Token> line = tokensOf(here, here);
    const Token *at = nullptr;
    for (const Token &token : line) {
        if (position >= token.start && position <= token.start + token.text.size())
            at = &token;
    }
    if (!at)
        return {};
    const Token token = *at;
    QList<Token> stack;
    if (isOpener(token.text)) {
        QTextBlock last = here;
        for (int n = 0; n < SearchLines && last.next().isValid(); ++n)
            last = last.next();
        for (const Token &t : tokensOf(here, last)) {
            if (t.start < token.start)
                continue;
            if (isOpener(t.text))
                stack.append(t);
            else if (!stack.isEmpty() && pairs(stack.constLast().text, t.text))
                stack.removeLast();
            else if (!stack.isEmpty())
                return {}; // unbalanced: no partner to show
            if (stack.isEmpty())
                return {{token.start, int(token.text.size())}, {t.start, int(t.text.size())}};
        }
        return {};
    }
    QTextBlock first = here;
    for (int n = 0; n < SearchLines && first.previous().isValid(); ++n)
        first = first.previous();
    for (const Token &t : tokensOf(first, here)) {
        if (t.start > token.start)
            break;
        if (isOpener(t.text)) {
            stack.append(t);
            continue;
        }
        if (stack.isEmpty() || !pairs(stack.constLast().text, t.text)) {
            stack.clear(); // a stray closer: what came before is not its partner
            continue;
        }
        const Token open = stack.takeLast();
        if (t.start == token.start)
            return {{t.start, int(t.text.size())}, {open.start, int(open.text.size())}};
    }
    return {};
}

void CaretMarks::update()
{
    const QTextCursor caret = m_editor->textCursor();
    const QList<Span> spans =
        caret.hasSelection() ? QList<Span>() : matchAt(*m_editor->document(), caret.position());
    if (caret.blockNumber() == m_markedLine && spans == m_markedSpans)
        return;
    m_markedLine = caret.blockNumber();
    m_markedSpans = spans;
    QList<EditorTextEdit::BackgroundMark> marks;
    marks.append({caret, m_caretLine, true});
    {
        for (const Span &span : spans) {
            QTextCursor range(m_editor->document());
            range.setPosition(span.start);
            range.setPosition(span.start + span.length, QTextCursor::KeepAnchor);
            marks.append({range, m_match, false});
        }
    }
    m_editor->setBackgroundMarks(marks);
}
