#include "keynotation.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<KeyStroke>)

namespace {

KeyStroke ch(char c, Qt::KeyboardModifiers m = {})
{
    const QChar qc = QLatin1Char(c);
    QString text(qc);
    if (m & Qt::ShiftModifier)
        text = text.toUpper();
    if (m & (Qt::ControlModifier | Qt::AltModifier))
        text.clear();
    return {int(qc.toUpper().unicode()), m, text};
}

KeyStroke key(Qt::Key k, Qt::KeyboardModifiers m = {}, const QString &text = {})
{
    return {int(k), m, text};
}

const KeyStroke Enter = key(Qt::Key_Return, {}, QStringLiteral("\r"));

QString typed(const QList<KeyStroke> &strokes)
{
    QString s;
    for (const auto &k : strokes)
        s += k.text;
    return s;
}

} // namespace

class tst_KeyNotation : public QObject
{
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QString>("notation");
        QTest::addColumn<QList<KeyStroke>>("expected");

        QTest::newRow("plain letters") << "ab" << QList<KeyStroke>{ch('a'), ch('b')};
        QTest::newRow("braced names")
            << "{END}{ENTER}{UP}" << QList<KeyStroke>{key(Qt::Key_End), Enter, key(Qt::Key_Up)};
        QTest::newRow("names ignore case") << "{end}" << QList<KeyStroke>{key(Qt::Key_End)};
        QTest::newRow("ctrl end") << "^{END}"
                                  << QList<KeyStroke>{key(Qt::Key_End, Qt::ControlModifier)};
        QTest::newRow("tilde is enter") << "a~" << QList<KeyStroke>{ch('a'), Enter};
        QTest::newRow("braced parentheses")
            << "{(}{)}"
            << QList<KeyStroke>{key(Qt::Key_ParenLeft, {}, "("), key(Qt::Key_ParenRight, {}, ")")};
        QTest::newRow("empty group types nothing")
            << "pclear()" << QList<KeyStroke>{ch('p'), ch('c'), ch('l'), ch('e'), ch('a'), ch('r')};
        QTest::newRow("shift on next key only")
            << "+ab" << QList<KeyStroke>{ch('a', Qt::ShiftModifier), ch('b')};
        QTest::newRow("shift on a group")
            << "+(ab)c"
            << QList<KeyStroke>{ch('a', Qt::ShiftModifier), ch('b', Qt::ShiftModifier), ch('c')};
        QTest::newRow("stacked modifiers")
            << "^+s" << QList<KeyStroke>{ch('s', Qt::ControlModifier | Qt::ShiftModifier)};
        QTest::newRow("alt") << "%f" << QList<KeyStroke>{ch('f', Qt::AltModifier)};
        QTest::newRow("nested groups keep outer modifier")
            << "^(a%(b)c)"
            << QList<KeyStroke>{ch('a', Qt::ControlModifier),
                                ch('b', Qt::ControlModifier | Qt::AltModifier),
                                ch('c', Qt::ControlModifier)};
        QTest::newRow("repeat count")
            << "{LEFT 3}"
            << QList<KeyStroke>{key(Qt::Key_Left), key(Qt::Key_Left), key(Qt::Key_Left)};
        QTest::newRow("repeat a character") << "{x 2}" << QList<KeyStroke>{ch('x'), ch('x')};
        QTest::newRow("braced specials")
            << "{+}{^}{%}{~}{{}{}}{[}{]}"
            << QList<KeyStroke>{
                   key(Qt::Key_Plus, {}, "+"),        key(Qt::Key_AsciiCircum, {}, "^"),
                   key(Qt::Key_Percent, {}, "%"),     key(Qt::Key_AsciiTilde, {}, "~"),
                   key(Qt::Key_BraceLeft, {}, "{"),   key(Qt::Key_BraceRight, {}, "}"),
                   key(Qt::Key_BracketLeft, {}, "["), key(Qt::Key_BracketRight, {}, "]")};
        QTest::newRow("unbraced brackets are typed")
            << "[]"
            << QList<KeyStroke>{key(Qt::Key_BracketLeft, {}, "["),
                                key(Qt::Key_BracketRight, {}, "]")};
        QTest::newRow("function keys")
            << "{F1}{F12}" << QList<KeyStroke>{key(Qt::Key_F1), key(Qt::Key_F12)};
        QTest::newRow("empty") << "" << QList<KeyStroke>{};
    }

    void parses()
    {
        QFETCH(QString, notation);
        QFETCH(QList<KeyStroke>, expected);
        const KeyParseResult result = parseKeyNotation(notation);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.strokes, expected);
    }

    void rejects_data()
    {
        QTest::addColumn<QString>("notation");
        QTest::newRow("unclosed brace") << "{END";
        QTest::newRow("lone closing brace") << "a}";
        QTest::newRow("unknown name") << "{NOSUCHKEY}";
        QTest::newRow("empty braces") << "{}";
        QTest::newRow("unclosed group") << "+(ab";
        QTest::newRow("stray closing parenthesis") << "a)";
        QTest::newRow("dangling modifier") << "a^";
    }

    void rejects()
    {
        QFETCH(QString, notation);
        const KeyParseResult result = parseKeyNotation(notation);
        QVERIFY(!result.ok());
        QVERIFY(result.strokes.isEmpty());
    }

    void literalNotationTypesTextExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << "main";
        QTest::newRow("every reserved character") << "a+b^c%d~e(f)g{h}i[j]";
        QTest::newRow("braces alone") << "{}";
        QTest::newRow("dots colons underscores") << "obj:method_1.x";
        QTest::newRow("address") << "http://127.0.0.1:8080/a?b=c&d=%20e#f";
        QTest::newRow("non-ASCII") << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac");
    }

    void literalNotationTypesTextExactly()
    {
        QFETCH(QString, text);
        const KeyParseResult result = parseKeyNotation(literalKeyNotation(text));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(typed(result.strokes), text);
        for (const KeyStroke &k : result.strokes)
            QCOMPARE(k.modifiers, Qt::KeyboardModifiers{});
    }

    void literalNotationTurnsLineBreaksIntoEnter()
    {
        const KeyParseResult result = parseKeyNotation(literalKeyNotation(u"a\r\nb\nc\rd"));
        QVERIFY(result.ok());
        QCOMPARE(typed(result.strokes), QStringLiteral("a\rb\rc\rd"));
    }
};

QTEST_APPLESS_MAIN(tst_KeyNotation)
#include "tst_keynotation.moc"
