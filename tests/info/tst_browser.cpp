// The browser window against pages served from 127.0.0.1 by the test itself.

#include "localnetworkonly.h"
#include "scriptedhost.h"
#include "testenv.h"
#include "testpageserver.h"

#include "app/frmmain.h"
#include "document/projectdocument.h"
#include "keynotation.h"
#include "platform/keystrokequeue.h"
#include "app/program.h"
#include "platform/twips.h"
#include "info/frmbrowser.h"
#include "info/helpwindows.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>

#include <memory>

class tst_Browser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstLinkShowsProgressThenPage();
    void secondLinkWhileOpenComesToFront();
    void reactivationLoadsBrowserAddressAgain();
    void historyRules_data();
    void historyRules();
    void arrowKeyInAddressBoxLoadsOnce();
    void dropDownPickLoadsOnce();
    void addressIsTypedLiterally();
    void pageAlertDoesNotReload();
    void backWithoutHistoryChangesNothing();
    void backForwardAndRefresh();
    void stopEndsLoadingAndPolling();
    void refusedPortShowsErrorPage();
    void closingDropsHistory();
    void resizeLayout_data();
    void resizeLayout();
    void toolbarButtons();
    void toolbarKeys();
    void missingPageViewerIsSaidPlainly();

private:
    frmBrowser *browser() const { return m_program->findWindow<frmBrowser>(); }
    static QComboBox *addressBox(frmBrowser *b) { return b->findChild<QComboBox *>("cboAddress"); }
    static QWebEngineView *view(frmBrowser *b) { return b->findChild<QWebEngineView *>(); }
    static QTimer *busyTimer(frmBrowser *b) { return b->findChild<QTimer *>("timTimer"); }
    static QStringList history(frmBrowser *b);
    QString url(const QString &path) const { return m_server->url(path); }

    // Follows a link to `path` and waits until its page is shown.
    bool openAndWait(const QString &path, const QString &title);
    // Types `text` into the address box as a user would and presses Enter.
    static void typeAddress(frmBrowser *b, const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedHostServices> m_host;
    std::unique_ptr<Program> m_program;
    std::unique_ptr<TestPageServer> m_server;
};

QStringList tst_Browser::history(frmBrowser *b)
{
    QStringList items;
    QComboBox *box = addressBox(b);
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

bool tst_Browser::openAndWait(const QString &path, const QString &title)
{
    HelpWindows::openAddress(*m_program, url(path));
    // The first page also starts the web engine.
    return QTest::qWaitFor([&] { return browser() && browser()->windowTitle() == title; }, 20000);
}

void tst_Browser::typeAddress(frmBrowser *b, const QString &text)
{
    QComboBox *box = addressBox(b);
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

void tst_Browser::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_host = std::make_unique<ScriptedHostServices>(m_dir->path());
    m_program = std::make_unique<Program>(*m_host, QString());
    m_server = std::make_unique<TestPageServer>();
}

void tst_Browser::cleanup()
{
    QVERIFY2(m_host->unexpected.isEmpty(), qPrintable(m_host->unexpected.join(u'\n')));
    m_program.reset();
    m_host.reset();
    m_server.reset();
    m_dir.reset();
}

void tst_Browser::firstLinkShowsProgressThenPage()
{
    HelpWindows::openAddress(*m_program, url("/slow"));
    frmBrowser *b = browser();
    QVERIFY(b);
    QVERIFY(b->isVisible());
    // Blank, not empty: the window system would show the program's name.
    QVERIFY(b->windowTitle().trimmed().isEmpty());

    // The address is typed into the box; while the server holds the answer
    // the title says the browser is busy.
    QTRY_COMPARE(addressBox(b)->currentText(), url("/slow"));
    QTRY_COMPARE_WITH_TIMEOUT(b->windowTitle(), QStringLiteral("Working..."), 20000);
    QTRY_COMPARE(m_server->count("/slow"), 1);

    m_server->release();
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Slow page"));
    QCOMPARE(history(b), QStringList{url("/slow")});
    QCOMPARE(addressBox(b)->currentText(), url("/slow"));
    QCOMPARE(addressBox(b)->currentIndex(), 0);
    QTRY_VERIFY(!busyTimer(b)->isActive());
}

void tst_Browser::secondLinkWhileOpenComesToFront()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    QPointer<frmBrowser> first = browser();

    // The main window in front, the browser behind it.
    m_program->startMainWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_program->mainWindow()));

    HelpWindows::openAddress(*m_program, url("/b"));
    QCOMPARE(browser(), first.data());
    QTRY_COMPARE(QApplication::activeWindow(), first.data());
    QTRY_COMPARE(first->windowTitle(), QStringLiteral("Page /b"));
    QCOMPARE(history(first), (QStringList{url("/b"), url("/a")}));
}

void tst_Browser::reactivationLoadsBrowserAddressAgain()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    typeAddress(b, url("/b"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));

    m_program->startMainWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_program->mainWindow()));
    b->activateWindow();
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QCOMPARE(history(b), (QStringList{url("/a"), url("/b")}));
    QCOMPARE(m_server->count("/a"), 2);
}

void tst_Browser::historyRules_data()
{
    // The first address is a link, the others are typed. A leading "/" is a
    // path on the test server; "%1" stands for its port.
    QTest::addColumn<QStringList>("visits");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one page") << QStringList{"/a"} << QStringList{"Page /a"} << QStringList{"/a"};
    QTest::newRow("latest on top")
        << QStringList{"/a", "/b"} << QStringList{"Page /a", "Page /b"} << QStringList{"/b", "/a"};
    QTest::newRow("revisit moves up, not doubled")
        << QStringList{"/a", "/b", "/c", "/a"}
        << QStringList{"Page /a", "Page /b", "Page /c", "Page /a"} << QStringList{"/a", "/c", "/b"};
    QTest::newRow("letter case counts")
        << QStringList{"/a", "/A"} << QStringList{"Page /a", "Page /A"} << QStringList{"/A", "/a"};
    QTest::newRow("redirect lists the final address")
        << QStringList{"/redirect"} << QStringList{"Page /b"} << QStringList{"/b"};
    QTest::newRow("redirect to a listed address")
        << QStringList{"/b", "/a", "/redirect"} << QStringList{"Page /b", "Page /a", "Page /b"}
        << QStringList{"/b", "/a"};
    QTest::newRow("typed without scheme")
        << QStringList{"/a", "127.0.0.1:%1/b"} << QStringList{"Page /a", "Page /b"}
        << QStringList{"/b", "/a"};
}

void tst_Browser::historyRules()
{
    QFETCH(QStringList, visits);
    QFETCH(QStringList, titles);
    QFETCH(QStringList, expected);

    auto address = [this](const QString &visit) {
        return visit.startsWith(u'/') ? url(visit) : visit.arg(m_server->port());
    };
    QVERIFY(openAndWait(visits.first(), titles.first()));
    frmBrowser *b = browser();
    for (int i = 1; i < visits.size(); ++i) {
        typeAddress(b, address(visits.at(i)));
        QTRY_COMPARE(b->windowTitle(), titles.at(i));
        QTRY_VERIFY(!busyTimer(b)->isActive());
    }
    QStringList expectedUrls;
    for (const QString &path : std::as_const(expected))
        expectedUrls.append(url(path));
    QCOMPARE(history(b), expectedUrls);
    QCOMPARE(addressBox(b)->currentText(), expectedUrls.first());
    // Every visit was one request: rebuilding the list never navigates.
    QCOMPARE(m_server->requests.size(), visits.size() + visits.count("/redirect"));
}

void tst_Browser::arrowKeyInAddressBoxLoadsOnce()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    typeAddress(b, url("/b"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));

    // Stepping down the list to the older entry loads it.
    QTest::keyClick(addressBox(b), Qt::Key_Down);
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QCOMPARE(history(b), (QStringList{url("/a"), url("/b")}));

    // A later page proves that nothing else was loaded in between.
    typeAddress(b, url("/c"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /c"));
    QCOMPARE(m_server->requests, (QList<QByteArray>{"/a", "/b", "/a", "/c"}));
}

void tst_Browser::dropDownPickLoadsOnce()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    typeAddress(b, url("/b"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));

    QComboBox *box = addressBox(b);
    box->showPopup();
    QTRY_VERIFY(box->view()->isVisible());
    QTest::keyClick(box->view(), Qt::Key_Down);
    QTest::keyClick(box->view(), Qt::Key_Return);
    QTRY_VERIFY(!box->view()->isVisible());
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QCOMPARE(history(b), (QStringList{url("/a"), url("/b")}));

    typeAddress(b, url("/c"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /c"));
    QCOMPARE(m_server->requests, (QList<QByteArray>{"/a", "/b", "/a", "/c"}));
}

void tst_Browser::addressIsTypedLiterally()
{
    // Characters that the key notation would otherwise take as commands.
    const QString path = QStringLiteral("/q?x=a+b%20(c)~{d}^[e]");
    HelpWindows::openAddress(*m_program, url(path));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->requests.size(), 1, 20000);
    QCOMPARE(QByteArray::fromPercentEncoding(m_server->requests.first()),
             QByteArray("/q?x=a+b (c)~{d}^[e]"));
}

void tst_Browser::pageAlertDoesNotReload()
{
    // Answers every alert the page shows, as a user clicking OK.
    int alerts = 0;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            if (modal->isActiveWindow()) {
                ++alerts;
                QTest::keyClick(modal, Qt::Key_Return);
            }
        }
    });
    answer.start(20);

    QVERIFY(openAndWait("/alert", "Alert"));
    QTRY_COMPARE(alerts, 1);
    frmBrowser *b = browser();
    // The window system hands the keyboard back to the browser.
    QTRY_VERIFY(!QApplication::activeModalWidget());
    b->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), b);
    QTRY_VERIFY(m_host->keystrokes()->isIdle());
    QTRY_VERIFY(!busyTimer(b)->isActive());

    // Back from the alert is no new activation: the page is not loaded again.
    typeAddress(b, url("/c"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /c"));
    QCOMPARE(m_server->requests, (QList<QByteArray>{"/alert", "/c"}));
    QCOMPARE(alerts, 1);

    // Switching windows still counts.
    m_program->startMainWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_program->mainWindow()));
    b->activateWindow();
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Alert"));
    QTRY_COMPARE(alerts, 2);
}

void tst_Browser::backWithoutHistoryChangesNothing()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    QTRY_VERIFY(!busyTimer(b)->isActive());
    b->setWindowTitle(QString());

    b->runToolbarKey(QStringLiteral("Back"));
    QVERIFY(busyTimer(b)->isActive());
    // The next tick finds nothing loading and shows the page's name again.
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QTRY_VERIFY(!busyTimer(b)->isActive());
    QCOMPARE(history(b), QStringList{url("/a")});
    QCOMPARE(m_server->requests.size(), 1);
}

void tst_Browser::backForwardAndRefresh()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    typeAddress(b, url("/b"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));

    auto click = [b](const char *name) {
        QAction *action = b->findChild<QAction *>(QLatin1String(name));
        QVERIFY(action);
        action->trigger();
    };
    click("tbBack");
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QCOMPARE(history(b), (QStringList{url("/a"), url("/b")}));
    click("tbForward");
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));
    QCOMPARE(history(b), (QStringList{url("/b"), url("/a")}));

    const int before = m_server->count("/b");
    click("tbRefresh");
    QTRY_COMPARE(m_server->count("/b"), before + 1);
    QTRY_VERIFY(!busyTimer(b)->isActive());
    QCOMPARE(b->windowTitle(), QStringLiteral("Page /b"));
    QCOMPARE(history(b), (QStringList{url("/b"), url("/a")}));
}

void tst_Browser::stopEndsLoadingAndPolling()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    QSignalSpy finished(view(b), &QWebEngineView::loadFinished);

    typeAddress(b, url("/slow"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Working..."));
    QTRY_COMPARE(m_server->count("/slow"), 1);

    b->findChild<QAction *>("tbStop")->trigger();
    QVERIFY(!busyTimer(b)->isActive());
    QCOMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), false);
    QCOMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QCOMPARE(view(b)->url().toString(), url("/a"));
    m_server->release();
}

void tst_Browser::refusedPortShowsErrorPage()
{
    // A port that was just free: nothing listens there any more.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
    const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort());
    closed.close();

    HelpWindows::openAddress(*m_program, address);
    frmBrowser *b = browser();
    QSignalSpy finished(view(b), &QWebEngineView::loadFinished);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 20000);
    QCOMPARE(finished.first().first().toBool(), false);
    // The engine's own error page stands for the address.
    QTRY_COMPARE(history(b), QStringList{address});
    QTRY_VERIFY(!busyTimer(b)->isActive());
    QVERIFY(!b->windowTitle().isEmpty());
    QVERIFY(b->windowTitle() != u"Working...");

    // The window still works afterwards.
    typeAddress(b, url("/a"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
}

void tst_Browser::closingDropsHistory()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    typeAddress(browser(), url("/b"));
    QTRY_COMPARE(browser()->windowTitle(), QStringLiteral("Page /b"));

    QPointer<frmBrowser> old = browser();
    old->close();
    QTRY_VERIFY(old.isNull());
    QVERIFY(!browser());

    QVERIFY(openAndWait("/c", "Page /c"));
    QCOMPARE(history(browser()), QStringList{url("/c")});
    QCOMPARE(m_program->browserAddress(), url("/c"));
}

void tst_Browser::resizeLayout_data()
{
    QTest::addColumn<QSize>("size"); // empty: the design size
    QTest::newRow("design size") << QSize();
    QTest::newRow("larger") << QSize(900, 700);
    // Too small for the page's height: the height keeps its last value.
    QTest::newRow("short") << QSize(500, 60);
    // Too small for anything: every size stays.
    QTest::newRow("tiny") << QSize(4, 4);
}

void tst_Browser::resizeLayout()
{
    QFETCH(QSize, size);
    using Twips::px;
    // Design lengths in twips: the window, the margin kept right of and
    // below the controls, and where the address box and the page start.
    const QSize design(px(9360), px(7815));
    const int margin = px(100);
    const QPoint addressAt(px(50), px(60) + px(255) + px(15)); // in its panel
    const QPoint pageAt(px(50), px(540 + 675));
    if (size.isEmpty())
        size = design;

    m_program->setBrowserAddress(url("/a"));
    frmBrowser *b = m_program->showWindow<frmBrowser>();
    // It opens at its design size, or smaller where the screen is smaller.
    QCOMPARE(b->size(),
             design.boundedTo(b->screen()->availableGeometry().size()).boundedTo(b->size()));
    b->resize(design);
    QTRY_COMPARE(b->size(), design);
    b->resize(size);
    QTRY_COMPARE(b->size(), size);
    const QSize designInner(design.width() - margin, design.height() - pageAt.y() - margin);
    const int width = size.width() - margin >= 0 ? size.width() - margin : designInner.width();
    const int height = size.height() - pageAt.y() - margin >= 0
                           ? size.height() - pageAt.y() - margin
                           : designInner.height();
    QCOMPARE(tst_Browser::addressBox(b)->width(), width);
    QCOMPARE(tst_Browser::addressBox(b)->pos(), addressAt);
    QCOMPARE(view(b)->size(), QSize(width, height));
    QCOMPARE(view(b)->pos(), pageAt);
}

void tst_Browser::toolbarButtons()
{
    m_program->setBrowserAddress(url("/a"));
    frmBrowser *b = m_program->showWindow<frmBrowser>();
    const auto actions = b->findChild<QToolBar *>("tbToolBar")->actions();
    QStringList keys;
    for (QAction *action : actions) {
        keys.append(action->data().toString());
        QCOMPARE(action->toolTip(), action->data().toString());
        QVERIFY2(!action->icon().pixmap(24, 24).isNull(), qPrintable(action->toolTip()));
    }
    QCOMPARE(keys, (QStringList{"Back", "Forward", "Stop", "Refresh"}));
}

// Back, Forward, Stop and Refresh take the focus and answer the keys every
// browser uses.
void tst_Browser::toolbarKeys()
{
    QVERIFY(openAndWait("/a", "Page /a"));
    frmBrowser *b = browser();
    typeAddress(b, url("/b"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));
    for (QAction *action : b->findChild<QToolBar *>("tbToolBar")->actions())
        QVERIFY(b->findChild<QToolBar *>("tbToolBar")->widgetForAction(action)->focusPolicy() &
                Qt::TabFocus);

    QTest::keyClick(b, Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /a"));
    QTest::keyClick(b, Qt::Key_Right, Qt::AltModifier);
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Page /b"));
    const int before = m_server->count("/b");
    QTest::keyClick(b, Qt::Key_F5);
    QTRY_COMPARE(m_server->count("/b"), before + 1);
    QTRY_VERIFY(!busyTimer(b)->isActive());

    typeAddress(b, url("/slow"));
    QTRY_COMPARE(b->windowTitle(), QStringLiteral("Working..."));
    QTest::keyClick(b, Qt::Key_Escape);
    QVERIFY(!busyTimer(b)->isActive());
    QCOMPARE(b->windowTitle(), QStringLiteral("Page /b"));
    m_server->release();
}

// Without its page-view plugin the browser window still opens, takes the
// address and says why no page is shown; its buttons do nothing.
void tst_Browser::missingPageViewerIsSaidPlainly()
{
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({m_dir->path()});
    HelpWindows::openAddress(*m_program, url(QStringLiteral("/a.html")));
    QCoreApplication::setLibraryPaths(libraryPaths);
    frmBrowser *b = browser();
    QVERIFY(b);
    QVERIFY(!view(b));
    auto *notice = b->findChild<QLabel *>(QStringLiteral("brwWebBrowser"));
    QVERIFY(notice);
    QVERIFY2(notice->text().contains(QStringLiteral("scrivlet-webview was not found")),
             qPrintable(notice->text()));
    QVERIFY(notice->isVisible());
    QTRY_COMPARE(addressBox(b)->currentText(), url(QStringLiteral("/a.html")));
    for (const char *key : {"Back", "Forward", "Refresh", "Stop"})
        b->runToolbarKey(QLatin1String(key));
    QCOMPARE(b->windowTitle(), QStringLiteral(" "));
}

SCRIVLET_TEST_MAIN(tst_Browser)
#include "tst_browser.moc"
