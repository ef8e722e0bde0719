#include "x11desktop.h"
#include "processmaps.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QDir>
#include <QFileInfo>
#include <QPoint>
#include <QTest>

#include <csignal>

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
    void catalogueMouseEditingAndPalmDocName();
    void printFromMenuAndToolbar();
    void editorConveniencesByKeys();
    void runProgramFromTheEditor();
    void runWindowToolsByKeys();
    void debugProgramByKeys();
    void hostileProgramsLeaveTheEditorWhole();
    void userEnvironments_data();
    void userEnvironments();
    void killedEditorGivesItsTextBack();

private:
    // Starts the program in a fresh folder; `firstRunOver` skips the wizard.
    void startProgram(bool firstRunOver);
    // Answers a Save file dialog with `path` and waits for the main window.
    void answerSaveDialog(const QString &path);
    // Opens menu `menu` (0 is File) of the main window with the mouse and
    // returns its window.
    QString openMenu(int menu);
    // The height of one menu item: half the Insert menu, which has two.
    int menuRowHeight();
    // Opens menu `menu` with the mouse and clicks its item `item`, counted
    // from the top; only for items above the menu's first separator.
    void clickMenuItem(int menu, int item);

    std::unique_ptr<X11Desktop> m_desktop;
    // Where each menu bar title was found, in the main window's coordinates.
    QList<int> m_menuTitleX;
    int m_menuRowHeight = 0;
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

// Where the main window's controls are. The client area is 9135 twips wide
// and 8220 high below the menu bar; the size of a twip on the screen follows
// from the window's width.
struct MainLayout
{
    QString id;
    Geometry window;
    double pxPerTwip = 0;
    int menuHeight = 0;

    MainLayout(const X11Desktop &desktop, const QString &mainId)
        : id(mainId), window(geometryOf(desktop, mainId)), pxPerTwip(window.width / 9135.0),
          menuHeight(window.height - int(8220 * pxPerTwip + 0.5))
    {}

    int x(double twips) const { return int(twips * pxPerTwip + 0.5); }
    int y(double twips) const { return menuHeight + x(twips); }

    // The toolbar's buttons, 345 twips each, start at its left: New, Open,
    // Save | Print | Cut, Copy, Paste. The style adds a pixel between buttons
    // and 8 for each separator.
    QPoint toolButton(const QString &key) const
    {
        static const QStringList keys = {QStringLiteral("New"),  QStringLiteral("Open"),
                                         QStringLiteral("Save"), QStringLiteral("Print"),
                                         QStringLiteral("Cut"),  QStringLiteral("Copy"),
                                         QStringLiteral("Paste")};
        const int index = int(keys.indexOf(key));
        const int separators = index >= 4 ? 2 : index == 3 ? 1 : 0;
        return {x(index * 345 + 172) + index + 8 * separators + 3, y(210)};
    }
};

// The text of a Palm DOC file as an independent decoder reads it ("" when
// none is installed).
QByteArray decodedPalmDoc(const QString &prc, const QString &folder)
{
    if (QStandardPaths::findExecutable(QStringLiteral("txt2pdbdoc")).isEmpty())
        return {};
    const QString decoded = folder + QStringLiteral("/decoded.txt");
    QFile::remove(decoded);
    if (QProcess::execute(QStringLiteral("txt2pdbdoc"), {QStringLiteral("-d"), prc, decoded}) != 0)
        return {};
    return X11Desktop::readFile(decoded);
}

// Writes `bytes` to `path`, as a user's file or setting.
void writeUserFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The processes `pid` started that still run: the runner of a program.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> pids;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + QStringLiteral("/children")));
        if (children.open(QIODevice::ReadOnly))
            for (const QByteArray &child : children.readAll().split(' '))
                if (!child.trimmed().isEmpty())
                    pids.append(child.trimmed().toLongLong());
    }
    return pids;
}

qint64 residentKb(qint64 pid)
{
    const QByteArray status = X11Desktop::readFile(QStringLiteral("/proc/%1/status").arg(pid));
    for (const QByteArray &line : status.split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

void tst_Desktop::init()
{
    m_desktop = std::make_unique<X11Desktop>();
    m_menuTitleX.clear();
    m_menuRowHeight = 0;
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

QString tst_Desktop::openMenu(int menu)
{
    X11Desktop &d = *m_desktop;
    const QString main = d.windows(MainTitle).value(0);
    if (main.isEmpty())
        return {};
    const MainLayout layout(d, main);
    const int barY = layout.menuHeight / 2;
    // The menu is the window of the program that was not there before and
    // is taller than a tool tip: it has at least two items, each about as
    // high as the menu bar.
    const QStringList before = d.programWindows();
    auto newMenu = [&] {
        for (const QString &id : d.programWindows()) {
            if (!before.contains(id) && geometryOf(d, id).height > layout.menuHeight * 3 / 2)
                return id;
        }
        return QString();
    };

    QString popup;
    if (m_menuTitleX.size() > menu) {
        d.click(main, m_menuTitleX[menu] + 4, barY);
        X11Desktop::waitFor([&] { return !(popup = newMenu()).isEmpty(); }, 5000);
    } else {
        // The titles' widths follow the font: with a menu open, the pointer
        // moving along the bar opens each next menu where its title begins.
        m_menuTitleX.clear();
        d.click(main, 8, barY);
        for (int x = 8; x < layout.window.width && m_menuTitleX.size() <= menu; x += 6) {
            d.run({QStringLiteral("mousemove"), QStringLiteral("--window"), main,
                   QString::number(x), QString::number(barY)});
            QString shown;
            X11Desktop::waitFor([&] { return !(shown = newMenu()).isEmpty() && shown != popup; },
                                x == 8 ? 5000 : 150);
            if (!shown.isEmpty() && shown != popup) {
                popup = shown;
                m_menuTitleX.append(x);
            }
        }
        if (m_menuTitleX.size() <= menu)
            return {};
    }
    return popup;
}

int tst_Desktop::menuRowHeight()
{
    X11Desktop &d = *m_desktop;
    if (m_menuRowHeight == 0) {
        const QString insert = openMenu(2);
        if (insert.isEmpty())
            return 0;
        m_menuRowHeight = geometryOf(d, insert).height / 2;
        // The second Escape leaves the menu bar, should the first have left it lit.
        d.key(QStringLiteral("Escape Escape"));
        X11Desktop::waitFor([&] { return !d.programWindows().contains(insert); }, 5000);
    }
    return m_menuRowHeight;
}

void tst_Desktop::clickMenuItem(int menu, int item)
{
    X11Desktop &d = *m_desktop;
    const int row = menuRowHeight();
    QVERIFY2(row > 0, "the Insert menu did not open");
    const QString popup = openMenu(menu);
    QVERIFY2(!popup.isEmpty(), "the menu did not open");
    const Geometry g = geometryOf(d, popup);
    d.click(popup, g.width / 2, row * item + row / 2);
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

    const MainLayout layout(d, main);
    const Geometry window = layout.window;
    QVERIFY(layout.menuHeight > 10 && layout.menuHeight < 60);
    auto clickToolButton = [&](const QString &key) {
        const QPoint at = layout.toolButton(key);
        d.click(main, at.x(), at.y());
    };

    const QString first = d.home() + QStringLiteral("/first.lua");
    clickToolButton(QStringLiteral("Save"));
    answerSaveDialog(first);
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(first),
                              QByteArray("--My Project Name.lua\r\n\r\n"), 10000);

    // New asks two questions in a row; the second belongs to the main window
    // although nothing is active in the moment the first closes.
    clickToolButton(QStringLiteral("New"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet Editor")), qPrintable(d.error()));
    const QString nameBox = d.windows(QStringLiteral("Scrivlet Editor")).value(0);
    QVERIFY(!nameBox.isEmpty());
    if (!QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        QCOMPARE(d.transientFor(nameBox), main);
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
    clickToolButton(QStringLiteral("Open"));
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
    // The web engine's libraries come with the first page, not with the editor.
    QCOMPARE(webEngineLibraries(d.program().processId()), QStringList());

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
    QVERIFY(!webEngineLibraries(d.program().processId()).isEmpty());

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

    // The three web links of the Help menu show the browser with their
    // address in its address box (a page that cannot load is fine: there is
    // no network). Each address is copied from the box into the editor.
    struct Link
    {
        QString keys, address, host;
    };
    const Link links[] = {
        {QStringLiteral("alt+h Down Down Down Return"), QStringLiteral("https://www.example.org/"),
         QStringLiteral("example.org")},
        {QStringLiteral("alt+h Down Down Down Down Return"),
         QStringLiteral("https://web.archive.org/web/2005/http://netpage.em.com.br/mmand/plua.htm"),
         QStringLiteral("archive.org")},
        {QStringLiteral("alt+h Down Down Down Down Down Return"),
         QStringLiteral("https://www.lua.org/"), QStringLiteral("lua.org")},
    };
    QByteArray addresses;
    for (const Link &link : links) {
        d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
        QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
        d.key(link.keys);
        QVERIFY2(X11Desktop::waitFor(
                     [&] {
                         return d.run({QStringLiteral("getactivewindow")}) == browserId &&
                                d.activeWindowName().contains(link.host);
                     },
                     30000),
                 qPrintable(QStringLiteral("the browser did not show %1 (title \"%2\")")
                                .arg(link.address, d.activeWindowName())));
        d.key(QStringLiteral("alt+a ctrl+a ctrl+c"));
        d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
        QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
        d.key(QStringLiteral("ctrl+End alt+e p Return"));
        addresses += link.address.toLatin1() + "\r\n";
    }
    const QString lua = d.home() + QStringLiteral("/links.lua");
    d.key(QStringLiteral("ctrl+s"));
    answerSaveDialog(lua);
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(lua),
                              "--My Project Name.lua\r\n" + addresses + "\r\n", 10000);

    // Closing the editor closes every other window with it.
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(30000), qPrintable(d.error()));
}

void tst_Desktop::catalogueMouseEditingAndPalmDocName()
{
    X11Desktop &d = *m_desktop;
    startProgram(true);
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString main = d.windows(MainTitle).value(0);
    const MainLayout layout(d, main);
    auto clickToolButton = [&](const QString &key) {
        const QPoint at = layout.toolButton(key);
        d.click(main, at.x(), at.y());
    };

    // A double-click a third of the way down the catalogue (7080, 840; 1935
    // x 6105 twips) selects an entry below the first and inserts its call on
    // a new line after the caret's; the entry's help text shows below.
    const QPoint entry(layout.x(7080 + 1935 / 3), layout.y(840 + 6105 / 3));
    d.click(main, entry.x(), entry.y(), 2);
    // The help box's text goes to the clipboard; Tab goes on to the editor,
    // where the Paste button adds it behind the call.
    d.click(main, layout.x(120 + 300), layout.y(7080 + 200));
    d.key(QStringLiteral("ctrl+a ctrl+c Tab"));
    clickToolButton(QStringLiteral("Paste"));

    // The Cut button takes that line's text away, Paste puts it at the end,
    // Copy and Paste double it there.
    d.key(QStringLiteral("shift+Home"));
    clickToolButton(QStringLiteral("Cut"));
    d.key(QStringLiteral("ctrl+End"));
    clickToolButton(QStringLiteral("Paste"));
    d.key(QStringLiteral("shift+Home"));
    clickToolButton(QStringLiteral("Copy"));
    d.key(QStringLiteral("End"));
    clickToolButton(QStringLiteral("Paste"));
    // Edit > Cut, Paste, Paste, then Copy and Paste, from the mouse: the
    // line holds that text eight times.
    d.key(QStringLiteral("shift+Home"));
    clickMenuItem(1, 0);
    clickMenuItem(1, 2);
    clickMenuItem(1, 2);
    d.key(QStringLiteral("shift+Home"));
    clickMenuItem(1, 1);
    d.key(QStringLiteral("End"));
    clickMenuItem(1, 2);

    // Insert > New Function and Insert > Comment from the mouse; their
    // boxes are answered by keys.
    clickMenuItem(2, 0);
    QVERIFY2(d.waitActive(QStringLiteral("Create a new function")), qPrintable(d.error()));
    d.type(QStringLiteral("tick"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    clickMenuItem(2, 1);
    QVERIFY2(d.waitActive(QStringLiteral("Insert a comment")), qPrintable(d.error()));
    d.type(QStringLiteral("idle"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    const QString lua = d.home() + QStringLiteral("/mouse.lua");
    d.key(QStringLiteral("ctrl+s"));
    answerSaveDialog(lua);
    QByteArray saved;
    QVERIFY(X11Desktop::waitFor(
        [&] { return (saved = X11Desktop::readFile(lua)).endsWith("end\r\n"); }, 10000));
    const QList<QByteArray> lines = saved.split('\n');
    QCOMPARE(lines.size(), 7);
    QCOMPARE(lines[0], QByteArray("--My Project Name.lua\r"));
    QCOMPARE(lines[1], QByteArray("\r"));
    QCOMPARE(lines[3], QByteArray("function tick()\r"));
    QCOMPARE(lines[4], QByteArray("-- idle\r"));
    QCOMPARE(lines[5], QByteArray("end\r"));
    // The pasted line eight times: the call, such as "openrec()", then its
    // help, which begins with the function's signature, "openrec(f, i)".
    const QByteArray pasted = lines[2].chopped(1);
    const QByteArray once = pasted.left(pasted.size() / 8);
    QCOMPARE(once.repeated(8), pasted);
    const qsizetype call = once.indexOf("()") + 2;
    QVERIFY2(call > 2, once.constData());
    QVERIFY2(once.mid(call).startsWith(once.left(call - 1)), once.constData());
    // The initial selection is the first entry; the click chose another.
    QVERIFY2(!once.startsWith("closedb()"), once.constData());

    // Export To .prc asks for the Palm DOC's name when the first line is not
    // a title comment; the box belongs to the main window.
    d.key(QStringLiteral("ctrl+Home Delete"));
    const QString prc = d.home() + QStringLiteral("/mouse.prc");
    d.key(QStringLiteral("alt+f e Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Save")), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+a"));
    d.type(prc);
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    const QString nameBox = d.windows(QStringLiteral("Scrivlet IDE")).value(0);
    QVERIFY(!nameBox.isEmpty());
    if (!QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        QCOMPARE(d.transientFor(nameBox), main);
    const Geometry box = geometryOf(d, nameBox);
    QVERIFY(layout.window.contains(box.x + box.width / 2, box.y + box.height / 2));
    d.type(QStringLiteral("Lamp"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // The database's name field, then its text with LF line ends.
    QVERIFY(X11Desktop::waitFor([&] { return QFileInfo(prc).size() > 78; }, 10000));
    QVERIFY(X11Desktop::readFile(prc).startsWith(QByteArray("--Lamp.lua\0", 11)));
    const QByteArray text =
        "-My Project Name.lua\n\n" + pasted + "\nfunction tick()\n-- idle\nend\n";
    const QByteArray decoded = decodedPalmDoc(prc, d.home());
    if (!decoded.isEmpty())
        QCOMPARE(decoded, text);

    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(), qPrintable(d.error()));
}

void tst_Desktop::printFromMenuAndToolbar()
{
    // scripts/test.sh runs a CUPS server whose default printer writes PDF
    // files there; the program on the desktop prints to it.
    const QString jobs = qEnvironmentVariable("SCRIVLET_CUPS_PDF_DIR");
    if (jobs.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("needs scripts/test.sh's CUPS server with a PDF printer, and pdftotext");

    X11Desktop &d = *m_desktop;
    startProgram(true);
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString main = d.windows(MainTitle).value(0);
    const MainLayout layout(d, main);

    // A job is done once a PDF written since `since` holds `line` (blanks
    // aside: pdftotext guesses them from the gaps between letters).
    auto printed = [&](const QDateTime &since, const QString &line) {
        static const QRegularExpression blanks(QStringLiteral("\\s+"));
        QString wanted = line;
        wanted.remove(blanks);
        const QFileInfoList pdfs =
            QDir(jobs).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Time);
        for (const QFileInfo &pdf : pdfs) {
            if (pdf.lastModified() < since)
                continue;
            QProcess pdftotext;
            pdftotext.start(QStringLiteral("pdftotext"),
                            {pdf.absoluteFilePath(), QStringLiteral("-")});
            if (!pdftotext.waitForFinished(10000))
                continue;
            QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
            text.remove(blanks);
            if (text.contains(wanted)) {
                QFile::remove(pdf.absoluteFilePath());
                return true;
            }
        }
        return false;
    };

    // File > Print by its access keys prints the text as it stands.
    d.key(QStringLiteral("ctrl+End"));
    d.type(QStringLiteral("print(\"from the menu\")"));
    // The file system keeps whole seconds on some disks.
    QDateTime since = QDateTime::currentDateTime().addSecs(-1);
    d.key(QStringLiteral("alt+f p"));
    QVERIFY2(X11Desktop::waitFor(
                 [&] { return printed(since, QStringLiteral("print(\"from the menu\")")); }, 60000),
             "File > Print wrote no page with the text");
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // The toolbar's Print button prints the text as it is now.
    d.key(QStringLiteral("Return"));
    d.type(QStringLiteral("print(\"from the button\")"));
    since = QDateTime::currentDateTime().addSecs(-1);
    const QPoint print = layout.toolButton(QStringLiteral("Print"));
    d.click(main, print.x(), print.y());
    QVERIFY2(
        X11Desktop::waitFor(
            [&] { return printed(since, QStringLiteral("print(\"from the button\")")); }, 60000),
        "the Print button wrote no page with the text");
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(), qPrintable(d.error()));
}

void tst_Desktop::editorConveniencesByKeys()
{
    X11Desktop &d = *m_desktop;
    // The project lives in a folder of its own, away from the folder the
    // program is started from (home).
    const QString project = d.home() + QStringLiteral("/project");
    QVERIFY(QDir().mkpath(project));
    const QString one = project + QStringLiteral("/one.lua");
    const QString two = project + QStringLiteral("/two.lua");
    QFile file(one);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x = 1\r\nX = 2\r\nx = 3\r\n");
    file.close();
    QFile::copy(one, two);
    QDir().mkpath(d.home() + QStringLiteral("/program"));
    QFile marker(d.home() + QStringLiteral("/program/settings.ini"));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.write("1\r\n");
    marker.close();
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {one}), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString main = d.windows(MainTitle).value(0);
    const MainLayout layout(d, main);
    const QString settings = d.home() + QStringLiteral("/config/Scrivlet IDE/Scrivlet IDE.conf");

    // Go to line 3 and write there.
    d.key(QStringLiteral("ctrl+g"));
    QVERIFY2(d.waitActive(QStringLiteral("Go To Line")), qPrintable(d.error()));
    d.type(QStringLiteral("3"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.type(QStringLiteral("-- three "));

    // Enter on a function of the list inserts it as a double click would.
    d.click(main, layout.x(7080 + 1935 / 2), layout.y(840 + 6105 / 2));
    d.type(QStringLiteral("pclear"));
    d.key(QStringLiteral("Return"));

    // Find and replace: every "x =", in any case, as one step.
    d.key(QStringLiteral("ctrl+shift+f"));
    QVERIFY2(d.waitActive(QStringLiteral("Find and Replace")), qPrintable(d.error()));
    d.type(QStringLiteral("x ="));
    d.key(QStringLiteral("Tab"));
    d.type(QStringLiteral("y ="));
    d.key(QStringLiteral("alt+a Escape"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(one),
                              QByteArray("y = 1\r\ny = 2\r\n-- three y = 3\r\npclear()\r\n"),
                              10000);
    // One Undo takes back all three replacements.
    d.key(QStringLiteral("ctrl+z ctrl+s"));
    const QByteArray edited = "x = 1\r\nX = 2\r\n-- three x = 3\r\npclear()\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(one), edited, 10000);

    // Edit > Select All and Edit > Undo by their access keys.
    d.key(QStringLiteral("alt+e a"));
    d.type(QStringLiteral("q"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(one), QByteArray("q\r\n"), 10000);
    d.key(QStringLiteral("alt+e u"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(one), edited, 10000);

    // Find Next with F3 from the editor, after the search of the find window.
    d.key(QStringLiteral("ctrl+Home ctrl+shift+f"));
    QVERIFY2(d.waitActive(QStringLiteral("Find and Replace")), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+a"));
    d.type(QStringLiteral("three"));
    d.key(QStringLiteral("Escape"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("F3"));
    d.type(QStringLiteral("3"));
    d.key(QStringLiteral("ctrl+s"));
    const QByteArray found = "x = 1\r\nX = 2\r\n-- 3 x = 3\r\npclear()\r\n";
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(one), found, 10000);

    // The zoom keys; the size is kept in the user's settings.
    d.key(QStringLiteral("ctrl+plus ctrl+plus ctrl+plus ctrl+minus"));
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(settings).contains("Zoom=2"), 10000);
    d.key(QStringLiteral("ctrl+0"));
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(settings).contains("Zoom=0"), 10000);

    // Open the second file; the first is then second in File > Recent Files
    // and opens again from there, after the save question.
    d.key(QStringLiteral("ctrl+o"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitActive(QStringLiteral("Open")), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+a"));
    d.type(two);
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("alt+f f 2"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.type(QStringLiteral("!"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(one), QByteArray("!") + found, 10000);

    // A listed file that has gone: a message, and it leaves the list.
    QVERIFY(QFile::remove(two));
    QVERIFY(X11Desktop::readFile(settings).contains("two.lua"));
    d.key(QStringLiteral("alt+f f 2"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    QTRY_VERIFY_WITH_TIMEOUT(!X11Desktop::readFile(settings).contains("two.lua"), 10000);
    QVERIFY(X11Desktop::readFile(settings).contains("one.lua"));

    // Export To .prc proposes the project's folder: Enter takes it. The text
    // has no title comment, so the database's name is asked for.
    d.key(QStringLiteral("alt+f e Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Save")), qPrintable(d.error()));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.type(QStringLiteral("one"));
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(project + QStringLiteral("/myproject.prc")).size() > 78,
                             10000);
    QVERIFY(!QFile::exists(d.home() + QStringLiteral("/myproject.prc")));

    // Ctrl+Q asks the close question; No ends the program, the file as saved.
    d.type(QStringLiteral("?"));
    d.key(QStringLiteral("ctrl+q"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(), qPrintable(d.error()));
    QCOMPARE(X11Desktop::readFile(one), QByteArray("!") + found);
}

void tst_Desktop::runProgramFromTheEditor()
{
    X11Desktop &d = *m_desktop;
    writeUserFile(d.home() + QStringLiteral("/program/settings.ini"), "1\r\n");
    const QString lua = d.home() + QStringLiteral("/game.lua");
    writeUserFile(lua, "print(1)\r\nprint(2)\r\nx = = 3\r\nprint(4)\r\n");
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {lua}), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    // F5 with a syntax error: nothing runs, the editor keeps the keyboard
    // with its caret at the start of the faulty line.
    d.key(QStringLiteral("F5"));
    QTRY_VERIFY_WITH_TIMEOUT(!d.windows(QStringLiteral("Run")).isEmpty(), 10000);
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.type(QStringLiteral("--"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(lua),
                              QByteArray("print(1)\r\nprint(2)\r\n--x = = 3\r\nprint(4)\r\n"),
                              10000);

    // A working program: it logs the pen and the keys in a database, which
    // is a text file the test can read.
    d.key(QStringLiteral("ctrl+a"));
    const char *const lines[] = {
        "f = opendb(\"Log\", \"w\")",
        "while 1 do",
        "local e, x, y = pevent()",
        "if e == penDown then pbox(x, y, 8, 8) n = createrec(f, 3) openrec(f, n) "
        "write(f, \"pen\") closerec(f) end",
        "if e == keyDown then n = createrec(f, 1) openrec(f, n) write(f, strchar(x)) "
        "closerec(f) end",
        "end",
    };
    for (const char *line : lines) {
        d.type(QLatin1String(line));
        d.key(QStringLiteral("Return"));
    }
    d.key(QStringLiteral("F5"));
    QVERIFY2(d.waitActive(QStringLiteral("Run - game.lua")), qPrintable(d.error()));
    const QString run = d.windows(QStringLiteral("Run - game.lua")).value(0);
    const Geometry g = geometryOf(d, run);
    const QString log =
        d.home() + QStringLiteral("/.local/share/Scrivlet IDE/palm-databases/Log.txt");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
    d.click(run, g.width / 2, 150);
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(log).contains("record: pen\n"), 10000);
    d.type(QStringLiteral("k"));
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(log).endsWith("record: pen\nrecord: k\n"), 10000);

    // Stop ends it: keys no longer reach it. Closing the window leaves the
    // editor working.
    d.key(QStringLiteral("shift+F5"));
    QTest::qWait(500);
    d.type(QStringLiteral("m"));
    QTest::qWait(500);
    QVERIFY(X11Desktop::readFile(log).endsWith("record: pen\nrecord: k\n"));
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    QTRY_VERIFY_WITH_TIMEOUT(d.windows(QStringLiteral("Run - game.lua")).isEmpty(), 10000);
    QCOMPARE(d.program().state(), QProcess::Running);
}

// The run window's tools as a user reaches them from the keyboard: the
// scale box grows the window and is remembered, Restart runs the program
// again, the handheld's context menu (the Menu key) saves a screenshot and
// opens the databases window, which deletes a database after asking.
void tst_Desktop::runWindowToolsByKeys()
{
    X11Desktop &d = *m_desktop;
    writeUserFile(d.home() + QStringLiteral("/program/settings.ini"), "1\r\n");
    const QString lua = d.home() + QStringLiteral("/tools.lua");
    // It logs the keys and taps it gets in its database.
    writeUserFile(lua, "f = opendb(\"Walk\", \"w\")\r\nn = createrec(f, 2)\r\nopenrec(f, n)\r\n"
                       "write(f, \"ok\")\r\ncloserec(f)\r\npbox(0, 0, 8, 8)\r\nwhile 1 do\r\n"
                       "local e, k = pevent()\r\ns = nil\r\n"
                       "if e == keyDown then s = format(\"%4d\", k) end\r\n"
                       "if e == penDown then s = \"tap \" end\r\n"
                       "if s then n = createrec(f, 4) openrec(f, n) write(f, s) closerec(f) end\r\n"
                       "end\r\n");
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {lua}), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("F5"));
    const QString title = QStringLiteral("Run - tools.lua");
    QVERIFY2(d.waitActive(title), qPrintable(d.error()));
    const QString run = d.windows(title).value(0);
    const QString database =
        d.home() + QStringLiteral("/.local/share/Scrivlet IDE/palm-databases/Walk.txt");
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(database).count("record: ok\n"), 1, 10000);

    // The hard and silk-screen buttons' keys, and a tap with the pen cursor.
    d.key(QStringLiteral("F1 F12 shift+Right Insert"));
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(database).endsWith(
                                 "record: ok\nrecord:  516\nrecord:  266\nrecord: tap \n"),
                             10000);

    // Scale: Tab goes from the handheld to the scale box, Down picks 3x.
    // The window grows by at least one more screen height (the controls'
    // rows may be wider than the handheld at small scales).
    const Geometry before = geometryOf(d, run);
    d.key(QStringLiteral("Tab Down"));
    QTRY_VERIFY_WITH_TIMEOUT(geometryOf(d, run).height >= before.height + 160, 10000);
    QVERIFY(geometryOf(d, run).width >= before.width);
    QTRY_VERIFY_WITH_TIMEOUT(
        X11Desktop::readFile(d.home() + QStringLiteral("/config/Scrivlet IDE/Scrivlet IDE.conf"))
            .contains("Scale=3"),
        10000);

    // Restart: the program runs again and adds its record again.
    d.key(QStringLiteral("ctrl+r"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(database).count("record: ok\n"), 2, 10000);

    // Screenshot at actual size, from the handheld's context menu.
    QTest::qWait(500);
    d.key(QStringLiteral("Menu"));
    QTRY_VERIFY_WITH_TIMEOUT(d.activeWindowName() != title || d.programWindows().size() > 2, 5000);
    d.key(QStringLiteral("Down Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Save Screenshot")), qPrintable(d.error()));
    const QString png = d.home() + QStringLiteral("/shot.png");
    d.key(QStringLiteral("ctrl+a"));
    d.type(png);
    d.key(QStringLiteral("Return"));
    QVERIFY2(d.waitActive(title), qPrintable(d.error()));
    // A PNG whose header says 160 x 160.
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(png).size() > 24, 10000);
    const QByteArray shot = X11Desktop::readFile(png);
    QVERIFY(shot.startsWith("\x89PNG\r\n\x1a\n"));
    QCOMPARE(shot.mid(12, 12), QByteArray("IHDR\0\0\0\xa0\0\0\0\xa0", 12));

    // Databases: nothing is deleted while the program runs; once stopped,
    // Delete asks and the database goes.
    d.key(QStringLiteral("shift+F5"));
    QTest::qWait(500);
    d.key(QStringLiteral("Menu"));
    QTest::qWait(500);
    d.key(QStringLiteral("Up Return"));
    QVERIFY2(d.waitActive(QStringLiteral("Handheld Databases")), qPrintable(d.error()));
    d.key(QStringLiteral("alt+d"));
    QVERIFY2(d.waitActive(QStringLiteral("Delete Database")), qPrintable(d.error()));
    d.key(QStringLiteral("y"));
    QVERIFY2(d.waitActive(QStringLiteral("Handheld Databases")), qPrintable(d.error()));
    QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(database), 10000);
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(title), qPrintable(d.error()));
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    QCOMPARE(d.program().state(), QProcess::Running);
}

// The debugger by keys: a breakpoint (F9) stops the run and the debug
// window comes with the keyboard on the first local, which Ctrl+C copies;
// F10 steps, F6 goes on to the next hit, Shift+F5 stops. What the window
// shows is read from its title and from the locals pasted into the file.
void tst_Desktop::debugProgramByKeys()
{
    X11Desktop &d = *m_desktop;
    writeUserFile(d.home() + QStringLiteral("/program/settings.ini"), "1\r\n");
    const QString lua = d.home() + QStringLiteral("/dbg.lua");
    writeUserFile(lua, "total = 0\r\nfunction add(n)\r\n  local doubled = n * 2\r\n"
                       "  total = total + doubled\r\nend\r\nadd(21)\r\nadd(5)\r\n"
                       "while 1 do pevent() end\r\n");
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {lua}), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString editorWindow = d.windows(MainTitle).value(0);
    const qint64 editor = d.program().processId();

    d.key(QStringLiteral("ctrl+Home Down Down F9"));
    d.key(QStringLiteral("F5"));
    const QString atLine3 = QStringLiteral("Debug - dbg.lua: paused at line 3");
    QVERIFY2(d.waitActive(atLine3), qPrintable(d.error()));
    const auto pasteLocal = [&](const QByteArray &expected) {
        d.key(QStringLiteral("ctrl+c"));
        d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), editorWindow});
        QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
        d.key(QStringLiteral("ctrl+End Return ctrl+v ctrl+s"));
        QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(lua).endsWith("\r\n" + expected + "\r\n"),
                                 10000);
    };
    pasteLocal("n = 21");

    d.key(QStringLiteral("F10"));
    QTRY_VERIFY_WITH_TIMEOUT(
        !d.windows(QStringLiteral("Debug - dbg.lua: paused at line 4")).isEmpty(), 10000);
    d.key(QStringLiteral("F6"));
    QTRY_VERIFY_WITH_TIMEOUT(!d.windows(atLine3).isEmpty(), 10000);
    d.key(QStringLiteral("ctrl+shift+F9"));
    QVERIFY2(d.waitActive(atLine3), qPrintable(d.error()));
    pasteLocal("n = 5");

    // Stop ends the paused program at once.
    QCOMPARE(childrenOf(editor).size(), 1);
    d.key(QStringLiteral("shift+F5"));
    QTRY_VERIFY_WITH_TIMEOUT(!d.windows(QStringLiteral("Debug - dbg.lua: stopped")).isEmpty(),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT(childrenOf(editor).isEmpty(), 5000);
    QCOMPARE(d.program().state(), QProcess::Running);
}

// Programs that hang inside C, flood the editor with sounds or crash their
// runner: Stop (or the crash) ends the runner within 200 ms, the editor's
// memory stays flat meanwhile, and its unsaved text is saved afterwards.
void tst_Desktop::hostileProgramsLeaveTheEditorWhole()
{
    X11Desktop &d = *m_desktop;
    writeUserFile(d.home() + QStringLiteral("/program/settings.ini"), "1\r\n");
    const QString lua = d.home() + QStringLiteral("/hostile.lua");
    writeUserFile(lua, "-- saved\r\n");
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {lua}), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const qint64 editor = d.program().processId();

    const struct
    {
        const char *program;
        bool crash; // the runner is killed instead of stopped
    } cases[] = {
        {"x = strfind(strrep(\"a\", 5000), strrep(\"a*\", 30) .. \"b\")", false},
        {"while 1 do pbeep() end", false},
        {"while 1 do end", true},
    };
    for (const auto &c : cases) {
        d.key(QStringLiteral("ctrl+a"));
        d.type(QLatin1String(c.program));
        d.key(QStringLiteral("F5"));
        QVERIFY2(d.waitActive(QStringLiteral("Run - hostile.lua")), qPrintable(d.error()));
        QTRY_COMPARE_WITH_TIMEOUT(childrenOf(editor).size(), 1, 10000);
        const qint64 before = residentKb(editor);
        QTest::qWait(1500);
        QVERIFY2(residentKb(editor) < before + 20 * 1024, c.program);
        QElapsedTimer ending;
        ending.start();
        if (c.crash)
            QCOMPARE(::kill(static_cast<pid_t>(childrenOf(editor).value(0)), SIGSEGV), 0);
        else
            d.key(QStringLiteral("shift+F5"));
        while (!childrenOf(editor).isEmpty() && ending.elapsed() < 5000)
            QTest::qWait(2);
        QVERIFY2(childrenOf(editor).isEmpty(), c.program);
        // The key's way through the X server is part of the time.
        QVERIFY2(ending.elapsed() < 300, qPrintable(QString::number(ending.elapsed())));

        d.key(QStringLiteral("alt+F4"));
        QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
        d.key(QStringLiteral("ctrl+s"));
        QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(lua).startsWith(c.program), 10000);
        QCOMPARE(d.program().state(), QProcess::Running);
    }
}

// One short walk in each environment a user may have, through what that
// environment can break: a web link, a save, a run.
void tst_Desktop::userEnvironments_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("serverOptions");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QString>("mappedPlugin"); // a library the environment must bring in
    QTest::addColumn<bool>("accessibility");
    const QString normal = QStringLiteral("1280x1024x24");
    QTest::newRow("plain") << normal << QStringList() << QStringList() << QString() << false;
    QTest::newRow("de_DE") << normal << QStringList()
                           << QStringList{"LANG=de_DE.UTF-8", "LC_ALL=de_DE.UTF-8"} << QString()
                           << false;
    QTest::newRow("pt_BR") << normal << QStringList()
                           << QStringList{"LANG=pt_BR.UTF-8", "LC_ALL=pt_BR.UTF-8"} << QString()
                           << false;
    QTest::newRow("dark theme") << normal << QStringList()
                                << QStringList{"QT_QPA_PLATFORMTHEME=qt6ct"}
                                << QStringLiteral("adwaita.so") << false;
    QTest::newRow("scale 2") << QStringLiteral("1920x1080x24") << QStringList()
                             << QStringList{"QT_SCALE_FACTOR=2"} << QString() << false;
    QTest::newRow("no GLX") << normal << QStringList{"-extension", "GLX"} << QStringList()
                            << QString() << false;
    QTest::newRow("screen reader")
        << normal << QStringList() << QStringList{"QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"} << QString()
        << true;
}

void tst_Desktop::userEnvironments()
{
    QFETCH(QString, screen);
    QFETCH(QStringList, serverOptions);
    QFETCH(QStringList, environment);
    QFETCH(QString, mappedPlugin);
    QFETCH(bool, accessibility);
    // This walk's own display, at its own size.
    m_desktop = std::make_unique<X11Desktop>();
    X11Desktop &d = *m_desktop;
    QVERIFY2(d.start(screen, serverOptions), qPrintable(d.error()));
    if (accessibility)
        QVERIFY2(d.startSessionBus(), qPrintable(d.error()));
    QDir().mkpath(d.home() + QStringLiteral("/config/qt6ct"));
    writeUserFile(d.home() + QStringLiteral("/config/qt6ct/qt6ct.conf"),
                  "[Appearance]\nstyle=Adwaita-Dark\ncustom_palette=false\n");
    writeUserFile(d.home() + QStringLiteral("/program/settings.ini"), "1\r\n");
    const QString lua = d.home() + QStringLiteral("/walk.lua");
    const QByteArray program = "f = opendb(\"Walk\", \"w\")\r\nn = createrec(f, 2)\r\n"
                               "openrec(f, n)\r\nwrite(f, \"ok\")\r\ncloserec(f)\r\n";
    writeUserFile(lua, program);
    QProcessEnvironment extra;
    for (const QString &setting : std::as_const(environment))
        extra.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {lua}, extra), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString main = d.windows(MainTitle).value(0);
    const qint64 pid = d.program().processId();
    if (!mappedPlugin.isEmpty())
        QVERIFY2(X11Desktop::readFile(QStringLiteral("/proc/%1/maps").arg(pid))
                     .contains(mappedPlugin.toLatin1()),
                 "the environment's style was not loaded");

    if (accessibility) {
        // What a screen reader reads: the window, the named editor with its
        // text and character places, the labelled catalogue, the read-only
        // help pane, the caret's line.
        QProcess reader;
        reader.setProcessEnvironment(d.environment());
        reader.setProcessChannelMode(QProcess::MergedChannels);
        reader.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(SCRIVLET_SOURCE_DIR "/tests/desktop/atspi-check.py"),
                      QString::fromLatin1(program.left(program.indexOf('\r')))});
        QVERIFY(reader.waitForFinished(60000));
        QVERIFY2(reader.exitCode() == 0, reader.readAll().constData());
    }

    // A web link: the page's window comes up and the editor lives on.
    d.key(QStringLiteral("alt+h Down Down Down Down Down Return"));
    QVERIFY2(X11Desktop::waitFor([&] { return d.activeWindowName().contains(u"lua.org"); }, 30000),
             qPrintable(QStringLiteral("no page (active: \"%1\")").arg(d.activeWindowName())));
    QTest::qWait(500);
    QCOMPARE(d.program().state(), QProcess::Running);
    if (QTest::currentDataTag() == QLatin1String("plain")) {
        // The page's own process dies: the editor is not touched by it. The
        // engine's zygotes are the editor's children; the processes they
        // fork render the pages.
        const QList<qint64> zygotes = childrenOf(pid);
        QList<qint64> pages;
        QVERIFY(X11Desktop::waitFor(
            [&] {
                for (qint64 zygote : zygotes)
                    pages += childrenOf(zygote);
                return !pages.isEmpty();
            },
            15000));
        for (qint64 page : std::as_const(pages))
            QCOMPARE(::kill(pid_t(page), SIGKILL), 0);
        QTest::qWait(1000);
        QCOMPARE(d.program().state(), QProcess::Running);
    }

    // A save, to the file it came from.
    d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), main});
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+End Return"));
    d.type(QStringLiteral("-- saved"));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(lua), program + "-- saved\r\n", 10000);

    // A run: the program writes its database.
    d.key(QStringLiteral("F5"));
    QVERIFY2(d.waitActive(QStringLiteral("Run - walk.lua")), qPrintable(d.error()));
    const QString database =
        d.home() + QStringLiteral("/.local/share/Scrivlet IDE/palm-databases/Walk.txt");
    QTRY_VERIFY_WITH_TIMEOUT(X11Desktop::readFile(database).contains("record: ok\n"), 10000);
    d.key(QStringLiteral("alt+F4"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));

    d.key(QStringLiteral("ctrl+q"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(30000), qPrintable(d.error()));
    QCOMPARE(d.program().exitStatus(), QProcess::NormalExit);
}

// kill -9 after typing: the next start gives the text back, exactly. A
// second editor meanwhile never takes the first one's copy, and after a
// clean exit nothing is offered.
void tst_Desktop::killedEditorGivesItsTextBack()
{
    X11Desktop &d = *m_desktop;
    writeUserFile(d.home() + QStringLiteral("/program/settings.ini"), "1\r\n");
    const QString lua = d.home() + QStringLiteral("/kept.lua");
    // The é comes from the file: xdotool types such a character through a
    // key it maps for a moment, which an editor under load can read after
    // the mapping has gone. What matters is that it survives the kill.
    writeUserFile(lua, "x = \"caf\xe9\"\r\n");
    QVERIFY2(d.startProgram(QStringLiteral(SCRIVLET_BIN_DIR), {lua}), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    const QString first = d.windows(MainTitle).value(0);
    d.key(QStringLiteral("ctrl+End Return"));
    d.type(QStringLiteral("print(\"kept\")"));

    const auto noQuestion = [&] {
        QTest::qWait(2500);
        return d.windows(QStringLiteral("Scrivlet IDE")).isEmpty();
    };
    QProcess *second = d.startAnother();
    QVERIFY(second);
    QTRY_COMPARE_WITH_TIMEOUT(d.windows(MainTitle).size(), 2, 15000);
    QVERIFY2(noQuestion(), "the second editor offered the first one's text");
    const QStringList both = d.windows(MainTitle);
    const QString secondWindow = both.value(both.indexOf(first) == 0 ? 1 : 0);
    d.run({QStringLiteral("windowactivate"), QStringLiteral("--sync"), secondWindow});
    d.key(QStringLiteral("ctrl+q"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY(second->waitForFinished(15000));

    ::kill(pid_t(d.program().processId()), SIGKILL);
    QVERIFY(d.program().waitForFinished(5000));
    QVERIFY2(d.restartProgram(), qPrintable(d.error()));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    // The question comes up just after the main window: the window manager
    // can call it active before the keyboard follows, so it gets the focus
    // before the key is pressed.
    d.run({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
           d.windows(QStringLiteral("Scrivlet IDE")).value(0)});
    d.key(QStringLiteral("alt+y"));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    d.key(QStringLiteral("ctrl+s"));
    QTRY_COMPARE_WITH_TIMEOUT(X11Desktop::readFile(lua),
                              QByteArray("x = \"caf\xe9\"\r\nprint(\"kept\")\r\n"), 10000);

    d.key(QStringLiteral("ctrl+q"));
    QVERIFY2(d.waitActive(QStringLiteral("Scrivlet IDE")), qPrintable(d.error()));
    d.key(QStringLiteral("n"));
    QVERIFY2(d.waitExit(), qPrintable(d.error()));
    QVERIFY2(d.restartProgram(), qPrintable(d.error()));
    QVERIFY2(d.waitActive(MainTitle), qPrintable(d.error()));
    QVERIFY2(noQuestion(), "a clean exit left text to restore");
}

QTEST_GUILESS_MAIN(tst_Desktop)
#include "tst_desktop.moc"
