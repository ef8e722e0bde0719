#include "catalogue.h"

#include <QSet>
#include <QStringList>
#include <QTest>

#include <algorithm>

namespace {

struct Row
{
    const char *listText;
    const char *signature;
};

// The functions in the order the main window fills its list, each with the call signature its
// help text must begin with. Kept apart from the catalogue data so that a slip there shows here.
constexpr Row Expected[] = {
    {"pclear()", "pclear([c])"},
    {"print()", "print(text)"},
    {"listdb()", "listdb('creator', 'type')"},
    {"opendb()", "opendb(name, mode)"},
    {"closedb()", "closedb(f)"},
    {"openrec()", "openrec(f, i)"},
    {"createrec()", "createrec(f, size)"},
    {"deleterec()", "deleterec(f, i)"},
    {"closerec()", "closerec(f)"},
    {"resizerec()", "resizerec(f, i, size)"},
    {"openser()", "openser(name, baud [,mode])"},
    {"closeser()", "closeser(f)"},
    {"pmode()", "pmode()"},
    {"pcolor()", "pcolor(fg [,bg])"},
    {"prgb()", "prgb(r, g, b)"},
    {"ppos()", "ppos()"},
    {"pmoveto()", "pmoveto(x, y)"},
    {"pline()", "pline(x1, y1, x2, y2 [,c])"},
    {"plineto()", "plineto(x, y [,c])"},
    {"pset()", "pset(x, y [,c])"},
    {"pget()", "pget(x, y)"},
    {"prect()", "prect(x, y, dx, dy [,c])"},
    {"pbox()", "pbox(x, y, dx, dy [,c])"},
    {"pcircle()", "pcircle(x, y, rx, ry [,c])"},
    {"pdisc()", "pdisc(x, y, rx, ry [,c])"},
    {"pfont()", "pfont(f)"},
    {"pheading()", "pheading(g)"},
    {"pturn()", "pturn(g)"},
    {"pwalk()", "pwalk(d)"},
    {"popenbmp()", "popenbmp(id [,file])"},
    {"pdrawbmp()", "pdrawbmp(h)"},
    {"pclosebmp()", "pclosebmp(h)"},
    {"ptitle()", "ptitle([text])"},
    {"pmenu()", "pmenu(t)"},
    {"plabel()", "plabel(text)"},
    {"pbutton()", "pbutton(text)"},
    {"ppbutton()", "ppbutton(text [,g])"},
    {"prbutton()", "prbutton(text)"},
    {"pcheckbox()", "pcheckbox(text)"},
    {"pfield()", "pfield(lines, cols, max [,text [, e, u]])"},
    {"pfieldattr()", "pfieldattr(id, e, u)"},
    {"psetfocus()", "psetfocus(id)"},
    {"plist()", "plist(lines, cols, t)"},
    {"pgettext()", "pgettext(id)"},
    {"psettext()", "psettext(id, text)"},
    {"psetstate()", "psetstate(id, n)"},
    {"pnl()", "pnl()"},
    {"ptab()", "ptab([n])"},
    {"pdestroy()", "pdestroy()"},
    {"palert()", "palert(text)"},
    {"pconfirm()", "pconfirm(text)"},
    {"pinput()", "pinput([text [,initial]])"},
    {"pselectdate()", "pselectdate([text [, y, m, d]])"},
    {"pselecttime()", "pselecttime([text [, h, m]])"},
    {"pgsi()", "pgsi()"},
    {"pevent()", "pevent()"},
    {"pbeep()", "pbeep(n)"},
    {"psound()", "psound(freq,len [,amp])"},
    {"psleep()", "psleep(s [, ms])"},
    {"pgetstate()", "pgetstate(id)"},
};

constexpr qsizetype ExpectedCount = sizeof(Expected) / sizeof(Expected[0]);

const char *const EventTypes[] = {"penDown",   "penUp",     "penMove",    "keyDown",  "ctlSelect",
                                  "ctlRepeat", "lstSelect", "menuSelect", "ioPending"};

QStringList listTexts()
{
    QStringList texts;
    for (const Catalogue::Entry &entry : Catalogue::entries())
        texts << QString::fromLatin1(entry.listText);
    return texts;
}

// The list box shows its items in ascending, case-sensitive character order.
QStringList shownOrder()
{
    QStringList texts = listTexts();
    std::sort(texts.begin(), texts.end());
    return texts;
}

} // namespace

class tst_Catalogue : public QObject
{
    Q_OBJECT

private slots:
    void loadOrder_data();
    void loadOrder();
    void entryCount();
    void quotedTexts_data();
    void quotedTexts();
    void eventHelp();
    void textShape_data();
    void textShape();
    void listTextShape();
    void shownOrderEnds();
    void shownOrderPairs_data();
    void shownOrderPairs();
    void unknownKeys_data();
    void unknownKeys();
};

void tst_Catalogue::loadOrder_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("listText");
    QTest::addColumn<QString>("signature");
    for (qsizetype i = 0; i < ExpectedCount; ++i) {
        QTest::addRow("%02d %s", int(i + 1), Expected[i].listText)
            << int(i) << QString::fromLatin1(Expected[i].listText)
            << QString::fromLatin1(Expected[i].signature);
    }
}

// Each function sits at its place in the load order, and the help shown for it begins with its
// own call signature followed by ": ".
void tst_Catalogue::loadOrder()
{
    QFETCH(int, position);
    QFETCH(QString, listText);
    QFETCH(QString, signature);

    const auto entries = Catalogue::entries();
    QVERIFY(position < qsizetype(entries.size()));
    const Catalogue::Entry &entry = entries[position];
    QCOMPARE(QString::fromLatin1(entry.listText), listText);
    QVERIFY(entry.helpText);

    const QString help = Catalogue::helpFor(listText);
    QCOMPARE(help, QString::fromLatin1(entry.helpText));
    QVERIFY2(help.startsWith(signature + QLatin1String(": ")), qPrintable(help.left(60)));
}

void tst_Catalogue::entryCount()
{
    QCOMPARE(qsizetype(Catalogue::entries().size()), ExpectedCount);
}

void tst_Catalogue::quotedTexts_data()
{
    QTest::addColumn<QString>("listText");
    QTest::addColumn<QString>("help");
    const auto row = [](const char *listText, const char *help) {
        QTest::newRow(listText) << QString::fromLatin1(listText) << QString::fromLatin1(help);
    };
    row("closedb()",
        "closedb(f): closes a database. Returns true if success or nil if an error ocurred. ");
    row("listdb()", "listdb('creator', 'type'): returns a table with all databases matching the "
                    "specified type and creator. Type and creator are either a 4 character string "
                    "or an empty string to accept anything.");
    row("pclear()", "pclear([c]): erases the screen with the background color or with the optional "
                    "c color, and moves the cursor to 0,0. Returns nothing.");
    row("pmode()", "pmode(): returns 4 numbers: screen width, screen height, screen depth and 1 or "
                   "0 indicating if the screen supports color.");
    row("prgb()",
        "prgb(r, g, b): returns the color equivalent to the (Red,Green,Blue) components.");
    row("ptab()", "ptab([n]): advances the cursor 8 pixels to the right. It is useful when "
                  "separating UI components on the same line. If n is specified the cursor is "
                  "advanced 8*n pixels. Returns nothing.");
    row("pinput()", "pinput([text [,initial]]): opens an input dialog with an optional text as "
                    "title. A second optional parameter defines the initial value of the input. "
                    "The user can enter up to 255 characters of input. The user must press either "
                    "the Ok or the Cancel button to close the dialog. Returns a string with the "
                    "input entered if Ok was pressed, or nil if Cancel was pressed.");
}

// Texts taken over from the Plua reference stay exactly as written there.
void tst_Catalogue::quotedTexts()
{
    QFETCH(QString, listText);
    QFETCH(QString, help);
    QCOMPARE(Catalogue::helpFor(listText), help);
}

// pevent's help is the longest, at 933 characters, opens with the fixed sentence and list of
// event types, and then describes every kind of event again with the values it brings.
void tst_Catalogue::eventHelp()
{
    const QString help = Catalogue::helpFor(u"pevent()");
    QCOMPARE(help.size(), 933);
    QVERIFY(help.startsWith(QLatin1String("pevent(): blocks until an event is generated. ")));
    QVERIFY(help.contains(QLatin1String("penDown, penUp, penMove, keyDown, ctlSelect, ctlRepeat, "
                                        "lstSelect, menuSelect, ioPending")));
    for (const char *type : EventTypes) {
        QVERIFY2(help.count(QLatin1String(type)) >= 2, type);
    }

    for (const Catalogue::Entry &entry : Catalogue::entries()) {
        if (qstrcmp(entry.listText, "pevent()") != 0)
            QVERIFY2(qstrlen(entry.helpText) < 933, entry.listText);
    }
}

void tst_Catalogue::textShape_data()
{
    QTest::addColumn<QByteArray>("help");
    for (const Catalogue::Entry &entry : Catalogue::entries())
        QTest::newRow(entry.listText) << QByteArray(entry.helpText);
}

// One paragraph of printable ASCII within the help pane's length range. A doubled blank usually
// means two pieces of a text were joined badly.
void tst_Catalogue::textShape()
{
    QFETCH(QByteArray, help);
    QVERIFY2(help.size() >= 57 && help.size() <= 933, QByteArray::number(help.size()));
    for (const char c : help) {
        QVERIFY2(
            c >= 0x20 && c <= 0x7e,
            qPrintable(QStringLiteral("character 0x%1").arg(uchar(c), 2, 16, QLatin1Char('0'))));
    }
    QVERIFY(!help.contains("  "));
    QVERIFY(!help.startsWith(' '));
}

void tst_Catalogue::listTextShape()
{
    const QStringList texts = listTexts();
    QCOMPARE(QSet<QString>(texts.cbegin(), texts.cend()).size(), texts.size());
    for (const QString &text : texts) {
        QVERIFY2(text.size() >= 5 && text.size() <= 13, qPrintable(text));
        QVERIFY2(text.endsWith(QLatin1String("()")), qPrintable(text));
        const QStringView name = QStringView(text).chopped(2);
        QVERIFY2(
            std::all_of(name.begin(), name.end(), [](QChar c) { return c >= u'a' && c <= u'z'; }),
            qPrintable(text));
    }
}

void tst_Catalogue::shownOrderEnds()
{
    const QStringList shown = shownOrder();
    QCOMPARE(shown.constFirst(), QStringLiteral("closedb()"));
    QCOMPARE(shown.constLast(), QStringLiteral("resizerec()"));
}

void tst_Catalogue::shownOrderPairs_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::newRow("name before longer name") << "pline()"
                                             << "plineto()";
    QTest::newRow("pset before psetfocus") << "pset()"
                                           << "psetfocus()";
    QTest::newRow("pset before psetstate") << "pset()"
                                           << "psetstate()";
    QTest::newRow("pselectdate before pset") << "pselectdate()"
                                             << "pset()";
    QTest::newRow("psetstate before psettext") << "psetstate()"
                                               << "psettext()";
    QTest::newRow("pgetstate before pgettext") << "pgetstate()"
                                               << "pgettext()";
}

void tst_Catalogue::shownOrderPairs()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    const QStringList shown = shownOrder();
    QVERIFY(shown.contains(before));
    QVERIFY(shown.contains(after));
    QVERIFY(shown.indexOf(before) < shown.indexOf(after));
}

void tst_Catalogue::unknownKeys_data()
{
    QTest::addColumn<QString>("key");
    QTest::newRow("empty") << QString();
    QTest::newRow("not a function") << "pfoo()";
    QTest::newRow("name without parentheses") << "pclear";
    QTest::newRow("signature instead of list text") << "pclear([c])";
    QTest::newRow("upper case") << "PCLEAR()";
    QTest::newRow("capital initial") << "Closedb()";
    QTest::newRow("trailing blank") << "pclear() ";
    QTest::newRow("leading blank") << " pclear()";
    QTest::newRow("prefix of a key") << "pset(";
    QTest::newRow("key with line break") << "pevent()\n";
}

void tst_Catalogue::unknownKeys()
{
    QFETCH(QString, key);
    QVERIFY(Catalogue::helpFor(key).isNull());
}

QTEST_GUILESS_MAIN(tst_Catalogue)
#include "tst_catalogue.moc"
