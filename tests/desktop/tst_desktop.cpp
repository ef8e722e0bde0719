#include "x11desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

// The real program on a real X server under a real window manager, driven
// by X input only, as a user drives it. This is where activation, focus and
// dialog ownership happen as they do on a desktop; the offscreen suites
// cannot see them.
class tst_Desktop : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartNewFunctionExportAndClose();
    void toolbarAndFollowUpDialogs();
    void helpWindowsAndBrowserLinks();

private:
    // Starts the program in a fresh folder; `firstRunOver` skips the wizard.
    void startProgram(bool firstRunOver);
    // Answers a Save file dialog with `path` and waits for the main window.
    void answerSaveDialog(const QString &path);

    std::unique_ptr<X11Desktop> m_desktop;
};

namespace {

const QString MainTitle = QStringLiteral("Scrivlet IDE 1.3b");

struct Geometry
{
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const
    {
        return px >= x && py >= y && px < x + width && py < y + height;
    }
};

Geometry geometryOf(const X11Desktop &desktop, const QString &id)
{
    Geometry g;
    const QString shell =
        desktop.run({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
    for (const QString &line : shell.split(u'\n')) {
        const QString value = line.section(u'=', 1);
        if (line.startsWith(QLatin1String("X=")))
            g.x = value.toInt();
        else if (line.startsWith(QLatin1String("Y=")))
            g.y = value.toInt();
        else if (line.startsWith(QLatin1String("WIDTH=")))
            g.width = value.toInt();
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            g.height = value.toInt();
    }
    return g;
}

} // namespace

void tst_Desktop::init()
{
    m_desktop = std::make_unique<X11Desktop>();
    QVERIFY2(m_desktop->start(), qPrintable(m_desktop->error()));
}

void tst_Desktop::cleanup()
{
    m_desktop.reset();
}

void tst_Desktop::startProgram(bool firstRunOver)
{
    X11Desktop &d = *m_desktop;
    if (firstRunOver) {
        QDir().mkpath(d.home() + QStringLiteral("/program"));
        QFile marker(d.home() + QStringLiteral("/program/settings.ini"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write("1\r\n");
    }
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR)), qPrintable(d.error()));
}

void tst_Desktop::answerSaveDialog(const QString &path)
{
    X11Desktop &d = *m_desktop;
    QVERIFY2(d.waitActive(QStringLiteral("Save")), qPrintable(d.error()));
    // The file name box has the focus and holds the proposed name.
    d.key(QStringLiteral("ctrl+a"));
    d.type(path);
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
}

void tst_Desktop::firstStartNewFunctionExportAndClose()
{
    X11Desktop &d = *m_desktop;
    startProgram(false);

    // The wizard comes first; OK leaves the editor with the donations window.
    QVERIFY2(d.waitActive(QStringLiteral("PLua installation instructions")), qPrintable(d.error()));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Donations")), qPrintable(d.error()));
    QCOMPARE(d.windows(MainTitle).size(), 1);
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // New Function: its keys are typed after the name box has closed, before
    // the window manager has handed the editor back its activation.
    d.key(QStringLiteral("ctrl+f"));
    QVERIFY2(d.waitActive(QStringLiteral("Create a new function")), qPrintable(d.error()));
    d.type(QStringLiteral("main"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    const QString lua = d.home() + QStringLiteral("/main.lua");
    d.key(QStringLiteral("ctrl+s"));
    answerSaveDialog(lua);
    const QByteArray function = "--My Project Name.lua\r\n\r\nfunction main()\r\n\r\nend\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(lua), function, 10000);

    // The caret waits on the empty line inside the function; a comment from
    // the menu by its access keys goes there too.
    d.type(QStringLiteral("x = 1"));
    d.key(QStringLiteral("alt+i"));
    d.key(QStringLiteral("Down Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Insert a comment")), qPrintable(d.error()));
    d.type(QStringLiteral("set x"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+s"));
    const QByteArray body =
        "--My Project Name.lua\r\n\r\nfunction main()\r\nx = 1-- set x\r\nend\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(lua), body, 10000);

    // File > Export To .prc: the converter writes a Palm DOC of the text.
    const QString prc = d.home() + QStringLiteral("/main.prc");
    d.key(QStringLiteral("alt+f"));
    d.key(QStringLiteral("e Return"));
    answerSaveDialog(prc);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(prc).size() > 78, 10000);
    if (!QStandardPaths::findExecutable(QStringLiteral("txt2pdbdoc")).isEmpty()) {
        const QString decoded = d.home() + QStringLiteral("/decoded.txt");
        QTRY_VERIFY_WITH_TIMEOUT(QProcess::execute(QStringLiteral("txt2pdbdoc"),
                                                   {QStringLiteral("-d"), prc, decoded}) == 0,
                                 10000);
        // Palm DOC text ends its lines with LF alone.
        QVERIFY(X11Desktop::readFile(decoded).contains("function main()\nx = 1-- set x\nend"));
    }

    // The window manager's close button asks about saving; No ends the program.
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(), qPrintable(d.error()));
    QCOMPARE(d.program().exitStatus(), QProcess::NormalExit);
    QCOMPARE(X11Desktop::readFile(lua), body);
}

void tst_Desktop::toolbarAndFollowUpDialogs()
{
    X11Desktop &d = *m_desktop;
    startProgram(true);
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QStringList mains = d.windows(MainTitle);
    QCOMPARE(mains.size(), 1);
    const QString main = mains.first();

    // The client area is 9135 twips wide and 8220 high below the menu bar;
    // the toolbar's buttons, 345 twips each, start at its left: New, Open,
    // Save. Where they are follows from the window's size on the screen.
    const Geometry window = geometryOf(d, main);
    const double pxPerTwip = window.width / 9135.0;
    const int menuHeight = window.height - int(8220 * pxPerTwip + 0.5);
    QVERIFY(menuHeight > 10 && menuHeight < 60);
    auto clickToolButton = [&](int index) {
        d.click(main, int((index * 345 + 172) * pxPerTwip) + 2, menuHeight + int(210 * pxPerTwip));
    };

    const QString first = d.home() + QStringLiteral("/first.lua");
    clickToolButton(2); // Save
    answerSaveDialog(first);
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(first),
                              QByteArray("--My Project Name.lua\r\n\r\n"), 10000);

    // New asks two questions in a row; the second belongs to the main window
    // although nothing is active in the moment the first closes.
    clickToolButton(0); // New
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet Editor")), qPrintable(d.error()));
    const QString nameBox = d.windows(QStringLiteral("Scrivlet Editor")).value(0);
    QVERIFY(!nameBox.isEmpty());
    if (!QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty()) {
        QProcess xprop;
        xprop.setProcessEnvironment(d.environment());
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), nameBox, QStringLiteral("WM_TRANSIENT_FOR")});
        QVERIFY(xprop.waitForFinished(10000));
        const QString owner =
            QString::fromLatin1(xprop.readAllStandardOutput()).section(u'#', 1).trimmed();
        QCOMPARE(owner.toULongLong(nullptr, 16), main.toULongLong());
    }
    const Geometry box = geometryOf(d, nameBox);
    QVERIFY(window.contains(box.x + box.width / 2, box.y + box.height / 2));
    d.type(QStringLiteral("demo"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // A new project has no file yet: Ctrl+S asks where it goes.
    const QString second = d.home() + QStringLiteral("/second.lua");
    d.key(QStringLiteral("ctrl+s"));
    answerSaveDialog(second);
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(second), QByteArray("-- demo.lua\r\n"), 10000);

    // Edit > Copy and Edit > Paste from the menu by their access keys.
    d.key(QStringLiteral("ctrl+a"));
    d.key(QStringLiteral("alt+e c"));
    d.key(QStringLiteral("ctrl+End Return"));
    d.key(QStringLiteral("alt+e p"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(second),
                              QByteArray("-- demo.lua\r\n-- demo.lua\r\n"), 10000);
    // Edit > Cut takes the selection away: here the line break and the
    // second line.
    d.key(QStringLiteral("shift+Up shift+End"));
    d.key(QStringLiteral("alt+e t"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(second), QByteArray("-- demo.lua\r\n"), 10000);

    // Open from the toolbar first asks whether to save the text it replaces,
    // then brings back the first file (its last line break ends its last
    // line); Save writes it there.
    clickToolButton(1); // Open
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitActive(QStringLiteral("Open")), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+a"));
    d.type(first);
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+End"));
    d.type(QStringLiteral("-- more"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(first),
                              QByteArray("--My Project Name.lua\r\n-- more\r\n"), 10000);

    // File > Save As and File > Export To .txt (the second "E" item) write
    // the same text under other names.
    const QString third = d.home() + QStringLiteral("/third.lua");
    d.key(QStringLiteral("alt+f a"));
    answerSaveDialog(third);
    const QString text = d.home() + QStringLiteral("/third.txt");
    d.key(QStringLiteral("alt+f e e Return"));
    answerSaveDialog(text);
    const QByteArray opened = "--My Project Name.lua\r\n-- more\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(third), opened, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(text), opened, 10000);

    // File > Exit by its access keys, then Yes saves once more, to the file
    // named last.
    d.type(QStringLiteral("!"));
    d.key(QStringLiteral("alt+f x"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("y"));
    QVERIFY2(d.waitExit(), qPrintable(d.error()));
    QCOMPARE(X11Desktop::readFile(third), QByteArray("--My Project Name.lua\r\n-- more!\r\n"));
    QCOMPARE(X11Desktop::readFile(first), opened);
}

void tst_Desktop::helpWindowsAndBrowserLinks()
{
    X11Desktop &d = *m_desktop;
    startProgram(true);
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString main = d.windows(MainTitle).value(0);
    const Geometry screen{0, 0, 1280, 1024};

    // Two information windows from the Help menu: near the editor, not on
    // top of each other, and whole on the screen.
    d.key(QStringLiteral("alt+h Return"));
    QVERIFY2(d.waitActive(QStringLiteral("What is (P)Lua?")), qPrintable(d.error()));
    const Geometry info = geometryOf(d, d.windows(QStringLiteral("What is (P)Lua?")).value(0));
    d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("alt+h Down Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Where to get PLua?")), qPrintable(d.error()));
    const QString whereId = d.windows(QStringLiteral("Where to get PLua?")).value(0);
    const Geometry where = geometryOf(d, whereId);
    QVERIFY(info.x != where.x || info.y != where.y);
    for (const Geometry &g : {info, where}) {
        QVERIFY(screen.contains(g.x, g.y));
        QVERIFY(screen.contains(g.x + g.width - 1, g.y + g.height - 1));
    }

    // Its PalmGear button (next after OK in the tab order) shows the browser,
    // which enters the link's address by itself.
    d.key(QStringLiteral("Tab space"));
    // Its title follows the page (the address first, then the page's name).
    QString browserId;
    QVERIFY(X11Desktop::waitFor(
        [&] {
            const QString ids = d.run({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                       QStringLiteral("--classname"), QStringLiteral("scrivlet")});
            for (const QString &id : ids.split(u'\n')) {
                const QString name = d.run({QStringLiteral("getwindowname"), id});
                if (name.contains(QLatin1String("github.com")) ||
                    name.contains(QLatin1String("plua")))
                    browserId = id;
            }
            return !browserId.isEmpty();
        },
        30000));
    QVERIFY(X11Desktop::waitFor(
        [&] { return d.run({QStringLiteral("getactivewindow")}) == browserId; }, 15000));
    const Geometry browser = geometryOf(d, browserId);
    const QString placed = QStringLiteral("browser at %1,%2 size %3x%4")
                               .arg(browser.x)
                               .arg(browser.y)
                               .arg(browser.width)
                               .arg(browser.height);
    QVERIFY2(screen.contains(browser.x, browser.y), qPrintable(placed));
    QVERIFY2(screen.contains(browser.x + browser.width - 1, browser.y + browser.height - 1),
             qPrintable(placed));

    // The installation instructions and the donations window from the Help
    // menu; Enter closes each.
    d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("alt+h Down Down Return"));
    QVERIFY2(d.waitActive(QStringLiteral("PLua installation instructions")), qPrintable(d.error()));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("alt+h Up Up Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Donations")), qPrintable(d.error()));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // About from the end of the Help menu; Enter closes it.
    d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("alt+h Up Return"));
    QVERIFY2(d.waitActive(QStringLiteral("About Scrivlet_Editor")), qPrintable(d.error()));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // Closing the editor closes every other window with it.
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(30000), qPrintable(d.error()));
}

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
