#include "keynotation.h"

#include "linebreaks.h"

#include <QHash>

namespace {

struct NamedKey
{
    int key;
    QString text;
};

const QHash<QString, NamedKey> &namedKeys()
{
    static const QHash<QString, NamedKey> keys = [] {
        QHash<QString, NamedKey> k{
            {QStringLiteral("ENTER"), {Qt::Key_Return, QStringLiteral("\r")}},
            {QStringLiteral("TAB"), {Qt::Key_Tab, QStringLiteral("\t")}},
            {QStringLiteral("END"), {Qt::Key_End, {}}},
            {QStringLiteral("HOME"), {Qt::Key_Home, {}}},
            {QStringLiteral("UP"), {Qt::Key_Up, {}}},
            {QStringLiteral("DOWN"), {Qt::Key_Down, {}}},
            {QStringLiteral("LEFT"), {Qt::Key_Left, {}}},
            {QStringLiteral("RIGHT"), {Qt::Key_Right, {}}},
            {QStringLiteral("PGUP"), {Qt::Key_PageUp, {}}},
            {QStringLiteral("PGDN"), {Qt::Key_PageDown, {}}},
            {QStringLiteral("BACKSPACE"), {Qt::Key_Backspace, {}}},
            {QStringLiteral("BS"), {Qt::Key_Backspace, {}}},
            {QStringLiteral("BKSP"), {Qt::Key_Backspace, {}}},
            {QStringLiteral("DELETE"), {Qt::Key_Delete, {}}},
            {QStringLiteral("DEL"), {Qt::Key_Delete, {}}},
            {QStringLiteral("INSERT"), {Qt::Key_Insert, {}}},
            {QStringLiteral("INS"), {Qt::Key_Insert, {}}},
            {QStringLiteral("ESC"), {Qt::Key_Escape, {}}},
            {QStringLiteral("ESCAPE"), {Qt::Key_Escape, {}}},
            {QStringLiteral("BREAK"), {Qt::Key_Pause, {}}},
            {QStringLiteral("CAPSLOCK"), {Qt::Key_CapsLock, {}}},
            {QStringLiteral("NUMLOCK"), {Qt::Key_NumLock, {}}},
            {QStringLiteral("SCROLLLOCK"), {Qt::Key_ScrollLock, {}}},
            {QStringLiteral("PRTSC"), {Qt::Key_Print, {}}},
            {QStringLiteral("HELP"), {Qt::Key_Help, {}}},
            {QStringLiteral("CLEAR"), {Qt::Key_Clear, {}}},
            {QStringLiteral("ADD"), {Qt::Key_Plus, QStringLiteral("+")}},
            {QStringLiteral("SUBTRACT"), {Qt::Key_Minus, QStringLiteral("-")}},
            {QStringLiteral("MULTIPLY"), {Qt::Key_Asterisk, QStringLiteral("*")}},
            {QStringLiteral("DIVIDE"), {Qt::Key_Slash, QStringLiteral("/")}},
        };
        for (int f = 1; f <= 16; ++f)
            k.insert(QStringLiteral("F%1").arg(f), {Qt::Key_F1 + f - 1, {}});
        return k;
    }();
    return keys;
}

KeyStroke characterStroke(QChar c, Qt::KeyboardModifiers modifiers)
{
    if (c == u'\n' || c == u'\r')
        return {Qt::Key_Return, modifiers, QStringLiteral("\r")};
    if (c == u'\t')
        return {Qt::Key_Tab, modifiers, QStringLiteral("\t")};
    // Qt's key codes for Latin-1 characters are their upper-case code points.
    const QChar upper = c.toUpper();
    const int key = upper.unicode() <= 0xff ? int(upper.unicode()) : int(Qt::Key_unknown);
    QString text(c);
    if (modifiers & Qt::ShiftModifier)
        text = text.toUpper();
    // Ctrl and Alt chords run commands; they type nothing.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier))
        text.clear();
    return {key, modifiers, text};
}

class Parser
{
public:
    explicit Parser(QStringView notation) : m_in(notation) {}

    KeyParseResult run()
    {
        KeyParseResult result;
        Qt::KeyboardModifiers pending;
        QList<Qt::KeyboardModifiers> groups; // modifiers held by each open group
        const auto held = [&] {
            Qt::KeyboardModifiers m = pending;
            for (auto g : groups)
                m |= g;
            return m;
        };
        const auto push = [&](const KeyStroke &stroke, int count = 1) {
            for (int i = 0; i < count; ++i)
                result.strokes.append(stroke);
            pending = {};
        };

        while (m_pos < m_in.size()) {
            const QChar c = m_in[m_pos++];
            switch (c.unicode()) {
            case '+':
                pending |= Qt::ShiftModifier;
                break;
            case '^':
                pending |= Qt::ControlModifier;
                break;
            case '%':
                pending |= Qt::AltModifier;
                break;
            case '~':
                push({Qt::Key_Return, held(), QStringLiteral("\r")});
                break;
            case '(':
                groups.append(pending);
                pending = {};
                break;
            case ')':
                if (groups.isEmpty())
                    return fail(result, QStringLiteral("unmatched ')' at position %1").arg(m_pos));
                groups.removeLast();
                pending = {};
                break;
            case '}':
                return fail(result, QStringLiteral("unmatched '}' at position %1").arg(m_pos));
            case '{': {
                KeyStroke stroke;
                int count = 1;
                QString error;
                if (!readBraced(held(), stroke, count, error))
                    return fail(result, error);
                push(stroke, count);
                break;
            }
            default:
                push(characterStroke(c, held()));
                break;
            }
        }
        if (!groups.isEmpty())
            return fail(result, QStringLiteral("unclosed '('"));
        if (pending)
            return fail(result, QStringLiteral("a modifier at the end has no key"));
        return result;
    }

private:
    static KeyParseResult fail(KeyParseResult &result, const QString &error)
    {
        result.strokes.clear();
        result.error = error;
        return result;
    }

    // Reads "NAME}" or "NAME n}" after an opening brace. A brace directly
    // followed by '}' names the character '}' itself: "{}}".
    bool readBraced(Qt::KeyboardModifiers modifiers, KeyStroke &stroke, int &count, QString &error)
    {
        const int start = m_pos;
        qsizetype close =
            m_in.indexOf(u'}', start == m_in.size() || m_in[start] != u'}' ? start : start + 1);
        if (close < 0) {
            error = QStringLiteral("unclosed '{' at position %1").arg(start);
            return false;
        }
        QString body = m_in.mid(start, close - start).toString();
        m_pos = int(close) + 1;

        const qsizetype space = body.lastIndexOf(u' ');
        if (space > 0) {
            bool ok = false;
            const int n = body.mid(space + 1).toInt(&ok);
            if (ok && n >= 0) {
                count = n;
                body.truncate(space);
            }
        }
        if (body.isEmpty()) {
            error = QStringLiteral("empty braces at position %1").arg(start);
            return false;
        }
        if (body.size() == 1) {
            stroke = characterStroke(body[0], modifiers);
            return true;
        }
        const auto named = namedKeys().constFind(body.toUpper());
        if (named == namedKeys().constEnd()) {
            error = QStringLiteral("unknown key name {%1}").arg(body);
            return false;
        }
        QString text = named->text;
        if (modifiers & (Qt::ControlModifier | Qt::AltModifier))
            text.clear();
        stroke = {named->key, modifiers, text};
        return true;
    }

    QStringView m_in;
    int m_pos = 0;
};

} // namespace

KeyParseResult parseKeyNotation(QStringView notation)
{
    return Parser(notation).run();
}

QString literalKeyNotation(QStringView text)
{
    static const QString reserved = QStringLiteral("+^%~(){}[]");
    QString out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (const qsizetype breakLength = LineBreaks::breakLength(text, i)) {
            i += breakLength - 1;
            out += QStringLiteral("{ENTER}");
        } else if (reserved.contains(c)) {
            out += u'{';
            out += c;
            out += u'}';
        } else {
            out += c;
        }
    }
    return out;
}
