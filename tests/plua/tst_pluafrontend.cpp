// The Plua 1 front end in-process: every corpus program, byte-level lexical
// cases, the syntax tree it keeps, and hostile inputs.

#include "pluacorpus.h"

#include "plua/parser.h"

#include <QTest>

#include <random>
#include <string>

namespace {

std::string_view view(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString describe(const plua::ParseResult &result)
{
    if (result.ok())
        return QStringLiteral("valid");
    return QStringLiteral("%1:%2: %3")
        .arg(result.error->line)
        .arg(result.error->column)
        .arg(QString::fromStdString(result.error->message));
}

// Why the tree is malformed, or empty: every node inside the source and
// inside its parent.
QString treeFault(const plua::SyntaxTree &tree)
{
    if (tree.empty())
        return QStringLiteral("no tree");
    for (std::size_t i = 0; i < tree.size(); ++i) {
        const plua::Node &n = tree.node(static_cast<int>(i));
        if (n.begin > n.end || n.end > tree.source().size())
            return QStringLiteral("node %1 outside the source").arg(i);
        for (int c = n.firstChild; c != -1; c = tree.node(c).next) {
            if (tree.node(c).begin < n.begin || tree.node(c).end > n.end)
                return QStringLiteral("node %1 outside its parent %2").arg(c).arg(i);
        }
    }
    return QString();
}

} // namespace

class tst_PluaFrontend : public QObject
{
    Q_OBJECT

private slots:
    void corpus_data();
    void corpus();
    void bytes_data();
    void bytes();
    void outline_data();
    void outline();
    void namesAreResolved();
    void deepNestingIsRefused_data();
    void deepNestingIsRefused();
    void longFlatInputs();
    void mutatedProgramsNeverCrash();
};

void tst_PluaFrontend::corpus_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fragment");
    const QList<PluaCase> cases = loadPluaCorpus();
    QVERIFY2(cases.size() > 100, qPrintable(pluaCorpusDir()));
    for (const PluaCase &c : cases) {
        QTest::newRow(qPrintable(c.name)) << c.bytes << c.valid << c.line << c.fragment;
    }
}

void tst_PluaFrontend::corpus()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, valid);
    QFETCH(int, line);
    QFETCH(QString, fragment);
    QVERIFY2(line >= 0, "the file has no '-- expect:' line");
    const plua::ParseResult result = plua::parse(view(source));
    // Checking without the tree must come to the same verdict.
    QCOMPARE(describe(plua::parse(view(source), plua::ParseMode::CheckOnly)), describe(result));
    if (valid) {
        QVERIFY2(result.ok(), qPrintable(describe(result)));
        QCOMPARE(treeFault(result.tree), QString());
        return;
    }
    QVERIFY2(!result.ok(), "accepted a program the handheld rejects");
    QCOMPARE(result.error->line, line);
    QVERIFY2(QString::fromStdString(result.error->message).contains(fragment),
             qPrintable(describe(result)));
    QVERIFY(result.error->column >= 1);
}

// Cases a text file cannot hold well: line-end conventions, control bytes,
// non-ASCII text, and where the column points.
void tst_PluaFrontend::bytes_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<int>("line");   // 0: valid
    QTest::addColumn<int>("column"); // 0: not checked
    QTest::addColumn<QString>("fragment");

    QTest::newRow("lf") << QByteArray("x = 1\ny = 2\n= 3") << 3 << 1 << "<statement> expected";
    QTest::newRow("cr lf") << QByteArray("x = 1\r\ny = 2\r\n= 3") << 3 << 1
                           << "<statement> expected";
    QTest::newRow("lone cr") << QByteArray("x = 1\ry = 2\r= 3") << 3 << 1 << "<statement> expected";
    QTest::newRow("escaped cr lf")
        << QByteArray("s = \"a\\\r\nb\"\r\n= 1") << 3 << 1 << "<statement> expected";
    QTest::newRow("cr lf in long string")
        << QByteArray("s = [[a\r\nb\r\nc]] x") << 3 << 0 << "`=' expected";
    QTest::newRow("raw cr in string")
        << QByteArray("s = \"a\rb\"") << 1 << 5 << "unfinished string";
    QTest::newRow("backslash at end") << QByteArray("s = \"a\\") << 1 << 5 << "unfinished string";
    QTest::newRow("nul byte") << QByteArray("x = 1 \0", 7) << 1 << 7
                              << "invalid control char;\n  last token read: `0x00'";
    QTest::newRow("nul in string") << QByteArray("s = \"a\0b\"", 9) << 0 << 0 << QString();
    QTest::newRow("nul in comment") << QByteArray("-- \0\nx = 1", 10) << 0 << 0 << QString();
    QTest::newRow("tab counts one column")
        << QByteArray("x =\t= 1") << 1 << 5 << "<expression> expected";
    QTest::newRow("utf-8 counts characters")
        << QByteArray("s = \"\xc3\xa9\xc3\xa9\" = 1") << 1 << 10 << "<statement> expected";
    QTest::newRow("stray character named whole")
        << QByteArray("x = 1 \xc3\xa9") << 1 << 7 << "last token read: `\xc3\xa9' at line 1";
    QTest::newRow("end of file column")
        << QByteArray("x = 1\ny =") << 2 << 4 << "last token read: `<eof>' at line 2";
    QTest::newRow("scope error points at the name")
        << QByteArray("function f() local x return function() return x end end") << 1 << 47
        << "cannot access a variable in outer scope;\n  last token read: `x'";
    QTest::newRow("first line skipped with cr")
        << QByteArray("#!plua $\rx = 1") << 0 << 0 << QString();
    QTest::newRow("empty program") << QByteArray() << 0 << 0 << QString();
    QTest::newRow("only a comment") << QByteArray("-- nothing") << 0 << 0 << QString();
    // The last token read, as the handheld's compiler names it.
    QTest::newRow("unfinished string names what was read")
        << QByteArray("s = \"abc\nx = 1") << 1 << 5
        << "unfinished string;\n  last token read: `\"abc'";
    QTest::newRow("large escape names the string before it")
        << QByteArray("s = 'ab\\999cd'") << 1 << 5
        << "escape sequence too large;\n  last token read: `'ab' at line 1";
    QTest::newRow("long name cut to 30 characters")
        << QByteArray("f(1 abcdefghijklmnopqrstuvwxyz0123456789)") << 1 << 0
        << "`)' expected;\n  last token read: `abcdefghijklmnopqrstuvwxyz0123' at line 1";
    QTest::newRow("malformed number names it")
        << QByteArray("x = 3e") << 1 << 5 << "malformed number;\n  last token read: `3e'";
}

void tst_PluaFrontend::bytes()
{
    QFETCH(QByteArray, source);
    QFETCH(int, line);
    QFETCH(int, column);
    QFETCH(QString, fragment);
    const plua::ParseResult result = plua::parse(view(source));
    if (line == 0) {
        QVERIFY2(result.ok(), qPrintable(describe(result)));
        return;
    }
    QVERIFY2(!result.ok(), "accepted");
    QCOMPARE(result.error->line, line);
    if (column != 0)
        QCOMPARE(result.error->column, column);
    // The whole of the handheld compiler's message, the token it names too.
    const std::string whole = plua::lastTokenRead(*result.error, "string \"t\"");
    QVERIFY2(QString::fromStdString(whole).contains(fragment), whole.c_str());
}

void tst_PluaFrontend::outline_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QStringList>("expected"); // "depth name line"

    QTest::newRow("statements") << QByteArray("function f() end\n\nfunction t.g() end\n"
                                              "function t:h() end")
                                << QStringList{"0 f 1", "0 t.g 3", "0 t:h 4"};
    QTest::newRow("nested and anonymous")
        << QByteArray("function outer()\n  local f = function()\n    return function() end\n"
                      "  end\nend\nsort(t, function(a, b) return a < b end)")
        << QStringList{"0 outer 1", "1 function 2", "2 function 3", "0 function 6"};
    QTest::newRow("anonymous function line is its keyword's")
        << QByteArray("x = function\n\n(a) end") << QStringList{"0 function 1"};
    QTest::newRow("inside tables and calls")
        << QByteArray("t = {f = function() end, [1] = g(function() end)}")
        << QStringList{"0 function 1", "0 function 1"};
}

void tst_PluaFrontend::outline()
{
    QFETCH(QByteArray, source);
    QFETCH(QStringList, expected);
    const plua::ParseResult result = plua::parse(view(source));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    QStringList actual;
    for (const plua::FunctionEntry &f : result.tree.functions())
        actual << QStringLiteral("%1 %2 %3")
                      .arg(f.depth)
                      .arg(QString::fromStdString(f.name))
                      .arg(f.line);
    QCOMPARE(actual, expected);
}

// Every name in a small program, with what it resolves to.
void tst_PluaFrontend::namesAreResolved()
{
    const QByteArray source("local a = b\nfunction f(p) return p, %a, t.k end");
    const plua::ParseResult result = plua::parse(view(source));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    QStringList names;
    for (std::size_t i = 0; i < result.tree.size(); ++i) {
        const plua::Node &n = result.tree.node(static_cast<int>(i));
        if (n.kind != plua::NodeKind::Name)
            continue;
        const char *what = (n.flags & plua::NodeFlag::Local)    ? "local"
                           : (n.flags & plua::NodeFlag::Global) ? "global"
                                                                : "field";
        names << QString::fromUtf8(result.tree.text(static_cast<int>(i)).data(),
                                   static_cast<int>(result.tree.text(static_cast<int>(i)).size())) +
                     QLatin1Char(' ') + QLatin1String(what);
    }
    names.sort();
    QCOMPARE(names, (QStringList{"a local", "a local", "b global", "f global", "k field", "p local",
                                 "p local", "t global"}));
}

void tst_PluaFrontend::deepNestingIsRefused_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<bool>("valid");
    const int deep = 200000;
    QTest::newRow("parentheses") << "x = " + QByteArray(deep, '(') + "1" + QByteArray(deep, ')')
                                 << false;
    QTest::newRow("unary minus") << "x = " + QByteArray(deep, '-') + "1" << false;
    QByteArray nots;
    for (int i = 0; i < deep; ++i)
        nots += "not ";
    QTest::newRow("not") << "x = " + nots + "1" << false;
    QByteArray blocks;
    for (int i = 0; i < deep; ++i)
        blocks += "do ";
    QTest::newRow("blocks") << blocks << false;
    QByteArray functions;
    for (int i = 0; i < deep; ++i)
        functions += "f = function() ";
    QTest::newRow("functions") << functions << false;
    QTest::newRow("tables") << "x = " + QByteArray(deep, '{') << false;
    QTest::newRow("moderate nesting is fine")
        << "x = " + QByteArray(500, '(') + "1" + QByteArray(500, ')') << true;
}

// Far deeper than any program: a clear message, never a crashed checker.
void tst_PluaFrontend::deepNestingIsRefused()
{
    QFETCH(QByteArray, source);
    QFETCH(bool, valid);
    const plua::ParseResult result = plua::parse(view(source));
    QCOMPARE(result.ok(), valid);
    if (!valid)
        QVERIFY2(!describe(result).isEmpty(), qPrintable(describe(result)));
}

// Long chains that the grammar takes without nesting stay valid, and the
// tree they give can be walked.
void tst_PluaFrontend::longFlatInputs()
{
    QByteArray sum("x = 1");
    for (int i = 0; i < 200000; ++i)
        sum += " + 1";
    plua::ParseResult result = plua::parse(view(sum));
    QVERIFY2(result.ok(), qPrintable(describe(result)));
    QVERIFY(result.tree.functions().empty());

    QByteArray statements;
    for (int i = 0; i < 100000; ++i)
        statements += "local a = function() end a = a\n";
    result = plua::parse(view(statements));
    QVERIFY2(!result.ok(), "200000 locals in one function");
    QVERIFY(QString::fromStdString(result.error->message).contains("too many local variables"));
    QCOMPARE(result.error->line, 201);
}

// Random edits of real programs: whatever the verdict, the checker returns
// one, with a position inside the text.
void tst_PluaFrontend::mutatedProgramsNeverCrash()
{
    const QList<PluaCase> cases = loadPluaCorpus();
    std::mt19937 random(20260101);
    static const char Alphabet[] = "()[]{}=.,;:%\"'\\-+*/^<>~ \n\r\t\0\x01\x7f\xc3\xa9[[]]..."
                                   "endfunctionlocalreturnbreakdowhileforinrepeatuntil";
    const QByteArray alphabet(Alphabet, sizeof Alphabet - 1);
    int checked = 0;
    for (const PluaCase &c : cases) {
        if (!c.name.startsWith(QLatin1String("prog_")))
            continue;
        for (int round = 0; round < 300; ++round) {
            QByteArray text = c.bytes;
            const int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits && !text.isEmpty(); ++e) {
                const auto at =
                    static_cast<qsizetype>(random() % static_cast<unsigned>(text.size()));
                const char ch = alphabet[static_cast<qsizetype>(random() % alphabet.size())];
                switch (random() % 3) {
                case 0:
                    text[at] = ch;
                    break;
                case 1:
                    text.insert(at, ch);
                    break;
                default:
                    text.remove(at, 1 + static_cast<qsizetype>(random() % 8));
                }
            }
            const plua::ParseResult result = plua::parse(view(text));
            if (!result.ok()) {
                const int lines = static_cast<int>(text.count('\n') + text.count('\r')) + 1;
                QVERIFY2(result.error->line >= 1 && result.error->line <= lines,
                         qPrintable(describe(result)));
                QVERIFY(result.error->column >= 1);
                QVERIFY(!result.error->message.empty());
            }
            ++checked;
        }
    }
    QVERIFY(checked >= 900);
}

QTEST_GUILESS_MAIN(tst_PluaFrontend)
#include "tst_pluafrontend.moc"
