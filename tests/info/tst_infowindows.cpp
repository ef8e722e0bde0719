// The Help menu's windows, links and About dialog, driven through the main
// window's menu as a user would.

#include "localnetworkonly.h"
#include "scriptedhost.h"
#include "testenv.h"

#include "document/editortextedit.h"
#include "app/frmmain.h"
#include "document/projectdocument.h"
#include "platform/twips.h"
#include "app/program.h"
#include "addresses.h"
#include "info/frmabout.h"
#include "info/frmbrowser.h"
#include "info/frmdonations.h"
#include "info/frmfirstrun.h"
#include "info/frminstallationinstructions.h"
#include "info/pluainfo.h"
#include "info/pluawhere.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Processes started by this one whose name says they belong to the web engine.
int webEngineChildren()
{
    int count = 0;
    const QString self = QString::number(QCoreApplication::applicationPid());
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &pid : entries) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (comm) state ppid ..."
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (line.contains("QtWebEngine") && rest.value(1) == self.toLatin1())
            ++count;
    }
    return count;
}

struct Face
{
    const char *name;
    std::function<QWidget *(Program &)> show;
    QString title;
    QSize client; // twips
    QPoint place; // twips from the screen's top left; (-1, -1): left to the system
    QString focus;
    bool closeButton;
    QStringList tabOrder;
};

QList<Face> faces()
{
    return {
        {"pluainfo",
         [](Program &p) { return p.showWindow<PluaInfo>(); },
         "What is (P)Lua?",
         QSize(3420, 2280),
         QPoint(2760, 3750),
         "OKButton",
         true,
         {}},
        {"Pluawhere",
         [](Program &p) { return p.showWindow<PluaWhere>(); },
         "Where to get PLua?",
         QSize(2895, 3105),
         QPoint(2760, 3750),
         "OKButton",
         true,
         {"OKButton", "Command1", "Command2", "Command3"}},
        {"frmInstallationInstructions",
         [](Program &p) { return p.showWindow<frmInstallationInstructions>(); },
         "PLua installation instructions",
         QSize(5490, 3480),
         QPoint(-1, -1),
         "Command1",
         true,
         {"Command3", "Command1"}},
        {"frmDonations",
         [](Program &p) { return p.showWindow<frmDonations>(); },
         "Donations",
         QSize(4680, 3765),
         QPoint(-1, -1),
         "Command1",
         false,
         {"Command1", "Command2"}},
        {"frmFirstRun",
         [](Program &p) { return p.showWindow<frmFirstRun>(); },
         "PLua installation instructions",
         QSize(5520, 3960),
         QPoint(2490, 1575),
         "Command1",
         true,
         {"Command1", "Command3"}},
    };
}

} // namespace

class tst_InfoWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void webEngineStartsWithTheFirstLink();
    void helpWindowIsSingleAndComesToFront_data();
    void helpWindowIsSingleAndComesToFront();
    void windowFaces_data();
    void windowFaces();
    void labelTextsAreExact();
    void enterClosesInstallationInstructions();
    void linksOpenTheirAddress_data();
    void linksOpenTheirAddress();
    void aboutClosesWith_data();
    void aboutClosesWith();
    void aboutBlocksOtherWindows();

private:
    frmMain *mainWindow() const { return m_program->mainWindow(); }
    void trigger(const char *action) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedHostServices> m_host;
    std::unique_ptr<Program> m_program;
};

void tst_InfoWindows::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_host = std::make_unique<ScriptedHostServices>(m_dir->path());
    m_program = std::make_unique<Program>(*m_host, QString());
    m_program->startMainWindow();
    QVERIFY(QTest::qWaitForWindowActive(mainWindow()));
}

void tst_InfoWindows::cleanup()
{
    QVERIFY2(m_host->unexpected.isEmpty(), qPrintable(m_host->unexpected.join(u'\n')));
    m_program.reset();
    m_host.reset();
    m_dir.reset();
}

void tst_InfoWindows::trigger(const char *action) const
{
    QAction *item = mainWindow()->findChild<QAction *>(QLatin1String(action));
    QVERIFY2(item, action);
    item->trigger();
}

void tst_InfoWindows::webEngineStartsWithTheFirstLink()
{
    // The editor and the information windows run without the web engine.
    trigger("mnuinfoplua");
    trigger("mnuDonate");
    QCOMPARE(webEngineChildren(), 0);

    trigger("lualink");
    QVERIFY(m_program->findWindow<frmBrowser>());
    QTRY_VERIFY_WITH_TIMEOUT(webEngineChildren() > 0, 20000);
}

void tst_InfoWindows::helpWindowIsSingleAndComesToFront_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("closeButton");

    QTest::newRow("What is (P)LUA?") << "mnuinfoplua"
                                     << "pluainfo"
                                     << "OKButton";
    QTest::newRow("Where to get PLua?") << "mnupluawhere"
                                        << "Pluawhere"
                                        << "OKButton";
    QTest::newRow("Installation instructions") << "mnuInstallationInstructions"
                                               << "frmInstallationInstructions"
                                               << "Command1";
    QTest::newRow("Donate") << "mnuDonate"
                            << "frmDonations"
                            << "Command1";
}

void tst_InfoWindows::helpWindowIsSingleAndComesToFront()
{
    QFETCH(QString, action);
    QFETCH(QString, window);
    QFETCH(QString, closeButton);

    auto instances = [&] {
        QList<QWidget *> found;
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (w->objectName() == window && w->isVisible())
                found.append(w);
        }
        return found;
    };

    trigger(qPrintable(action));
    QCOMPARE(instances().size(), 1);
    QPointer<QWidget> first = instances().first();
    QTRY_COMPARE(QApplication::activeWindow(), first.data());

    // Shown again from behind the main window: the same one comes forward.
    mainWindow()->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), mainWindow());
    trigger(qPrintable(action));
    QCOMPARE(instances(), QList<QWidget *>{first.data()});
    QTRY_COMPARE(QApplication::activeWindow(), first.data());

    // Its own button closes it; the next show loads a new one.
    first->findChild<QPushButton *>(closeButton)->click();
    QTRY_VERIFY(first.isNull());
    trigger(qPrintable(action));
    QCOMPARE(instances().size(), 1);
    QVERIFY(instances().first() != nullptr);
}

void tst_InfoWindows::windowFaces_data()
{
    QTest::addColumn<int>("index");
    const auto all = faces();
    for (int i = 0; i < all.size(); ++i)
        QTest::newRow(all.at(i).name) << i;
}

void tst_InfoWindows::windowFaces()
{
    QFETCH(int, index);
    const Face face = faces().at(index);

    QWidget *w = face.show(*m_program);
    QVERIFY(QTest::qWaitForWindowActive(w));
    QCOMPARE(w->objectName(), QLatin1String(face.name));
    QCOMPARE(w->windowTitle(), face.title);
    const QSize client(Twips::px(face.client.width()), Twips::px(face.client.height()));
    QCOMPARE(w->size(), client);
    QCOMPARE(w->minimumSize(), client);
    QCOMPARE(w->maximumSize(), client);
    if (face.place.x() >= 0) {
        // At its design place, taken relative to where the main window's
        // client area is, when that is on the screen, frame included;
        // otherwise moved just as far as it takes to be whole on the screen.
        QRect design(QPoint(Twips::px(face.place.x()), Twips::px(face.place.y())), client);
        if (frmMain *main = m_program->mainWindow(); main && main->isVisible())
            design.translate(main->centralWidget()->mapToGlobal(QPoint(0, 0)) -
                             QPoint(Twips::px(45), Twips::px(1080)));
        const QRect screen = w->screen()->availableGeometry();
        if (screen.contains(design.adjusted(-10, -40, 10, 10)))
            QCOMPARE(w->geometry().topLeft(), design.topLeft());
        else
            QVERIFY(screen.contains(w->geometry()));
    }
    QVERIFY(!(w->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(bool(w->windowFlags() & Qt::WindowCloseButtonHint), face.closeButton);
    QTRY_VERIFY(QApplication::focusWidget());
    QCOMPARE(QApplication::focusWidget()->objectName(), face.focus);

    // Tab walks the buttons in their design order.
    if (!face.tabOrder.isEmpty()) {
        QWidget *start = w->findChild<QWidget *>(face.tabOrder.first());
        QWidget *current = start;
        QStringList order{current->objectName()};
        while ((current = current->nextInFocusChain()) != start) {
            if (current->focusPolicy() & Qt::TabFocus)
                order.append(current->objectName());
        }
        QCOMPARE(order, face.tabOrder);
    }

    // Every label's text fits its box: nothing is cut off at the bottom.
    const auto labels = w->findChildren<QLabel *>();
    QVERIFY(!labels.isEmpty());
    for (QLabel *label : labels) {
        QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                 qPrintable(label->objectName() + QStringLiteral(": ") + label->text()));
        QVERIFY(label->geometry().left() < w->width() && label->geometry().top() < w->height());
    }
}

void tst_InfoWindows::labelTextsAreExact()
{
    // The double spaces after commas belong to the texts.
    auto text = [](QWidget *w, const char *label) {
        return w->findChild<QLabel *>(QLatin1String(label))->text();
    };
    QWidget *info = m_program->showWindow<PluaInfo>();
    QCOMPARE(text(info, "Label1"),
             QStringLiteral("PLua is a compiler for the Palm Pda platform wich is capable of "
                            "processing the Lua language,  PLua comes with an IDE for the palm but "
                            "not for Windows or other platforms, that's why this program exists."));
    QVERIFY(text(info, "Label2").contains(u"www.lua.org"));

    QWidget *install = m_program->showWindow<frmInstallationInstructions>();
    QCOMPARE(
        text(install, "Label6"),
        QStringLiteral("Start the PLua program on your palm, click on the doc button,  select "
                       "your application(\"-- My Application\"), you now have the choice to run "
                       "or compile it."));
    QCOMPARE(text(install, "Label4"),
             QStringLiteral("Now,  create your code with this IDE, got to the file menu,  select  "
                            "export to .prc and sync this file to your palm."));

    QWidget *donations = m_program->showWindow<frmDonations>();
    QCOMPARE(text(donations, "Label3"),
             QStringLiteral("Also,  if you donate,  your name will be included on this page "
                            "(starting from the next version),  make sure to enter the comment: "
                            "\"donation for the Scrivlet IDE\""));

    // The wizard shows the installation window's texts under its own introduction.
    QWidget *wizard = m_program->showWindow<frmFirstRun>();
    for (const char *label : {"Label2", "Label4", "Label6"})
        QCOMPARE(text(wizard, label), text(install, label));
    QVERIFY(text(wizard, "Label1").startsWith(u"Since this is the first run,  you need"));
}

void tst_InfoWindows::enterClosesInstallationInstructions()
{
    trigger("mnuInstallationInstructions");
    QPointer<frmInstallationInstructions> w = m_program->findWindow<frmInstallationInstructions>();
    QTRY_COMPARE(QApplication::activeWindow(), w.data());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));

    // Focus moved to the download button, then the window left and came
    // back: OK has the focus again.
    w->findChild<QPushButton *>("Command3")->setFocus();
    mainWindow()->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), mainWindow());
    w->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), w.data());
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(w.isNull());
}

void tst_InfoWindows::linksOpenTheirAddress_data()
{
    QTest::addColumn<QString>("window"); // "" for a Help-menu item
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("address");

    QTest::newRow("Help, Hollin Development") << ""
                                              << "hollinlink" << MakerSiteAddress;
    QTest::newRow("Official Hollin Site") << "Pluawhere"
                                          << "Command3" << MakerSiteAddress;
    QTest::newRow("Help, PLua Homepage") << ""
                                         << "plualink" << PluaHomeAddress;
    QTest::newRow("Official PLua Site") << "Pluawhere"
                                        << "Command2" << PluaHomeAddress;
    QTest::newRow("Help, Lua Homepage") << ""
                                        << "lualink" << LuaHomeAddress;
    QTest::newRow("PalmGear") << "Pluawhere"
                              << "Command1" << PluaStoreAddress;
    QTest::newRow("Download from Palmgear") << "frmInstallationInstructions"
                                            << "Command3" << PluaStoreAddress;
    QTest::newRow("wizard's download") << "frmFirstRun"
                                       << "Command3" << PluaStoreAddress;
    QTest::newRow("Go to the online store") << "frmDonations"
                                            << "Command2" << DonationStoreAddress;
}

void tst_InfoWindows::linksOpenTheirAddress()
{
    QFETCH(QString, window);
    QFETCH(QString, control);
    QFETCH(QString, address);

    if (window.isEmpty()) {
        trigger(qPrintable(control));
    } else {
        QWidget *w = nullptr;
        for (const Face &face : faces()) {
            if (window == QLatin1String(face.name))
                w = face.show(*m_program);
        }
        QVERIFY(w);
        w->findChild<QPushButton *>(control)->click();
        // The window that held the link stays open behind the browser.
        QVERIFY(w->isVisible());
    }
    QCOMPARE(m_program->browserAddress(), address);
    frmBrowser *browser = m_program->findWindow<frmBrowser>();
    QVERIFY(browser);
    QTRY_COMPARE(QApplication::activeWindow(), browser);
    QTRY_COMPARE(browser->findChild<QComboBox *>("cboAddress")->currentText(), address);
}

void tst_InfoWindows::aboutClosesWith_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("Enter") << 0;
    QTest::newRow("Esc") << 1;
    QTest::newRow("OK clicked") << 2;
    QTest::newRow("close box") << 3;
}

void tst_InfoWindows::aboutClosesWith()
{
    QFETCH(int, how);
    QPointer<frmAbout> seen;
    QString title;
    QRect geometry;
    QString focus;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        seen = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        if (!seen)
            return;
        // A dialog counts as active for its window as soon as its owner is;
        // wait until it really holds the keyboard.
        QTRY_COMPARE(QApplication::activeWindow(), seen.data());
        title = seen->windowTitle();
        geometry = seen->geometry();
        focus = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        switch (how) {
        case 0:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            break;
        case 1:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            break;
        case 2:
            seen->findChild<QPushButton *>("cmdOK")->click();
            break;
        default:
            seen->close();
        }
    });
    // Safety net: a dialog that does not close must not hang the test.
    QTimer::singleShot(8000, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->hide();
    });
    trigger("mnuHelpAbout");

    QVERIFY(seen || !seen.isNull() || !title.isEmpty());
    QCOMPARE(title, QStringLiteral("About Scrivlet_Editor"));
    QCOMPARE(geometry.size(), QSize(Twips::px(6225), Twips::px(2160)));
    // Centred on the main window (to the pixel, halves rounded either way).
    QVERIFY((geometry.center() - mainWindow()->geometry().center()).manhattanLength() <= 2);
    QCOMPARE(focus, QStringLiteral("cmdOK"));
    QVERIFY(!QApplication::activeModalWidget());
    QTRY_VERIFY(seen.isNull());
}

void tst_InfoWindows::aboutBlocksOtherWindows()
{
    trigger("mnuinfoplua");
    QPointer<PluaInfo> info = m_program->findWindow<PluaInfo>();
    QVERIFY(QTest::qWaitForWindowActive(info));
    mainWindow()->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), mainWindow());
    mainWindow()->editor()->setFocus();
    const QString textBefore = mainWindow()->editor()->toPlainText();
    QPushButton *ok = info->findChild<QPushButton *>("OKButton");

    bool checked = false;
    QString logo;
    QTimer::singleShot(0, this, [&] {
        QTRY_VERIFY(QApplication::activeModalWidget());
        QWidget *about = QApplication::activeModalWidget();
        QTRY_COMPARE(QApplication::activeWindow(), about);
        QCOMPARE(about->parentWidget(), mainWindow());
        logo = about->findChild<QLabel *>("Image1")->toolTip();
        QVERIFY(!about->findChild<QLabel *>("Image1")->pixmap().isNull());
        QCOMPARE(about->findChild<QLabel *>("Image1")->pixmap().size(), QSize(128, 128));
        const QString credit = about->findChild<QLabel *>("Label1")->text();
        QVERIFY(credit.contains(u"Scrivlet IDE") && credit.contains(u"Hollin Development") &&
                credit.contains(u"www.example.org"));

        // Typing into the editor and clicking the information window's OK
        // reach neither while the dialog is open.
        QTest::keyClick(mainWindow()->windowHandle(), Qt::Key_X);
        QTest::mouseClick(info->windowHandle(), Qt::LeftButton, {},
                          ok->mapTo(info, ok->rect().center()));
        QCoreApplication::processEvents();
        QCOMPARE(mainWindow()->editor()->toPlainText(), textBefore);
        QVERIFY(info);
        checked = true;
        QTest::keyClick(about, Qt::Key_Escape);
    });
    QTimer::singleShot(8000, this, [] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modal->hide();
    });
    trigger("mnuHelpAbout");
    QVERIFY(checked);
    QVERIFY(logo.contains(u"www.lua.org"));

    // Once it is closed, the same click closes the information window.
    QVERIFY(info);
    QTest::mouseClick(info->windowHandle(), Qt::LeftButton, {},
                      ok->mapTo(info, ok->rect().center()));
    QTRY_VERIFY(info.isNull());
}

SCRIVLET_TEST_MAIN(tst_InfoWindows)
#include "tst_infowindows.moc"
