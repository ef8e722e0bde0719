#include "frmbrowser.h"

#include "platform/hostservices.h"
#include "keynotation.h"
#include "session/programstate.h"
#include "formgeometry.h"
#include "webpageview.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include <utility>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// Qt GUI's setter of the context that every OpenGL context shares with:
// exported under the stable version tag, declared in a private header only.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);

using FormGeometry::px;

namespace {

// Design lengths in twips.
constexpr int ToolBarHeight = 540;
constexpr int AddressTop = 540;
constexpr int AddressHeight = 675;
constexpr int BrowserLeft = 50;
constexpr int BrowserTop = AddressTop + AddressHeight;
constexpr int Margin = 100;

struct ToolButton
{
    const char *key;
    const char *picture;
    const char *keys;
};

constexpr ToolButton ToolButtons[] = {
    {"Back", ":/browser/back.svg", "Alt+Left"},
    {"Forward", ":/browser/forward.svg", "Alt+Right"},
    {"Stop", ":/browser/stop.svg", "Esc"},
    {"Refresh", ":/browser/refresh.svg", "F5"},
};

// The web engine draws through OpenGL contexts that share their resources
// with one program-wide context. Qt makes that context while the application
// starts only when asked to, and then every start pays for OpenGL; the editor
// makes it here instead, just before the engine's libraries are loaded. Without
// it the engine dereferences a missing context as soon as a page is shown on
// a desktop that has no GPU driver (virtual machines, remote desktops, Xvfb).
void shareOneOpenGLContext()
{
    if (QOpenGLContext::globalShareContext())
        return;
    auto *context = new QOpenGLContext(qApp);
    context->create();
    qt_gl_set_global_share_context(context);
}

// Chromium refuses to run as root inside its sandbox and ends the whole
// process on the first page, unsaved text and all. As root the page viewer is
// not loaded unless the user turned the sandbox off, knowing what that means.
bool pagesAllowedForThisUser(QString *error)
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        *error = QStringLiteral("The web engine does not run as root with its sandbox. Start the "
                                "editor as a normal user, or set QTWEBENGINE_DISABLE_SANDBOX=1 "
                                "to show pages without the sandbox.");
        return false;
    }
#else
    Q_UNUSED(error);
#endif
    return true;
}

// The page-view plugin: beside the program, where it is in the build tree,
// then where an installation puts it, then on Qt's library path.
WebPageViewFactory *loadPageViewFactory(QString *error)
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    QStringList folders{programDir.path(),
                        programDir.filePath(QStringLiteral(SCRIVLET_PLUGIN_DIR_FROM_BIN))};
    folders += QCoreApplication::libraryPaths();
    if (!pagesAllowedForThisUser(error))
        return nullptr;
    shareOneOpenGLContext();
    QPluginLoader loader;
    for (const QString &folder : std::as_const(folders)) {
        loader.setFileName(QDir(folder).filePath(QStringLiteral("scrivlet-webview")));
        if (loader.fileName().isEmpty())
            continue;
        if (auto *factory = qobject_cast<WebPageViewFactory *>(loader.instance()))
            return factory;
        *error = loader.errorString();
        return nullptr;
    }
    *error = QStringLiteral("scrivlet-webview was not found in %1.")
                 .arg(folders.join(QStringLiteral(", ")));
    return nullptr;
}

} // namespace

frmBrowser::frmBrowser(ProgramState &program, QWidget *parent)
    : QWidget(parent), m_program(program), m_titleTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmBrowser"));
    // The client area opens at its design place and size; the title stays
    // empty until the first page reports its name.
    setGeometry(px(3060), px(3450), px(9360), px(7815));
    showTitle(QString());
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmBrowser::focusWindowChanged);

    createToolBar();
    createAddressPanel();

    createPageView();

    m_titleTimer->setObjectName(QStringLiteral("timTimer"));
    m_titleTimer->setInterval(5);
    connect(m_titleTimer, &QTimer::timeout, this, &frmBrowser::showProgressInTitle);

    layoutControls();
    // The address box sits just below its label, in from the left edge.
    m_addressBox->move(px(50), m_addressLabel->y() + m_addressLabel->height() + px(15));
}

void frmBrowser::createPageView()
{
    // The web engine's libraries are loaded with the first browser window,
    // not with the program: the editor never pays for them.
    QString error;
    if (WebPageViewFactory *factory = loadPageViewFactory(&error)) {
        WebPageView::Handlers handlers;
        handlers.urlChanged = [this] { recordVisitedAddress(); };
        handlers.loadFinished = [this](bool) {
            m_loading = false;
            showLoadedPageTitle();
        };
        // The engine reports the start of a load a moment after it was asked
        // for (and also for links followed inside a page): polling runs from
        // there, so the busy title covers the whole load.
        handlers.loadStarted = [this] {
            m_loading = true;
            m_titleTimer->start();
        };
        m_page = factory->create(this, std::move(handlers));
        m_webView = m_page->widget();
    } else {
        auto *notice = new QLabel(
            QStringLiteral("Web pages cannot be shown: the page viewer could not be loaded.\n%1")
                .arg(error),
            this);
        notice->setWordWrap(true);
        notice->setAlignment(Qt::AlignCenter);
        notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_webView = notice;
    }
    m_webView->setObjectName(QStringLiteral("brwWebBrowser"));
    m_webView->setGeometry(px(BrowserLeft), px(BrowserTop), px(5393), px(3734));
}

void frmBrowser::createToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(24, 24));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setGeometry(0, 0, width(), px(ToolBarHeight));
    for (const ToolButton &button : ToolButtons) {
        const QString key = QLatin1String(button.key);
        QAction *action = m_toolBar->addAction(QIcon(QLatin1String(button.picture)), key);
        action->setObjectName(QStringLiteral("tb") + key);
        action->setData(key);
        action->setToolTip(key);
        connect(action, &QAction::triggered, this, [this, key] { runToolbarKey(key); });
        // Reachable by Tab and by the keys every browser uses.
        action->setShortcut(QKeySequence(QString::fromLatin1(button.keys)));
        action->setShortcutContext(Qt::WindowShortcut);
        m_toolBar->widgetForAction(action)->setFocusPolicy(Qt::StrongFocus);
        m_toolBar->widgetForAction(action)->setAccessibleName(key);
    }
}

void frmBrowser::createAddressPanel()
{
    m_addressPanel = new QWidget(this);
    m_addressPanel->setObjectName(QStringLiteral("picAddress"));
    m_addressPanel->setGeometry(0, px(AddressTop), width(), px(AddressHeight));

    m_addressLabel = new QLabel(QStringLiteral("&Address:"), m_addressPanel);
    m_addressLabel->setObjectName(QStringLiteral("lblAddress"));
    m_addressLabel->setGeometry(px(45), px(60), px(3075), px(255));

    m_addressBox = new QComboBox(m_addressPanel);
    m_addressBox->setObjectName(QStringLiteral("cboAddress"));
    m_addressBox->setEditable(true);
    m_addressBox->setGeometry(px(45), px(300), px(3795), px(315));
    // The history is built by the navigation-complete step alone; the box
    // neither adds typed text nor completes it from the list, so Enter goes
    // to exactly what was typed.
    m_addressBox->setInsertPolicy(QComboBox::NoInsert);
    m_addressBox->setCompleter(nullptr);
    m_addressBox->setEditText(QStringLiteral("Combo1"));
    m_addressLabel->setBuddy(m_addressBox);

    // Enter is handled here; the box's own Enter handling would also pick a
    // matching history entry and so navigate a second time.
    m_addressBox->installEventFilter(this);
    m_addressBox->lineEdit()->installEventFilter(this);
    disconnect(m_addressBox->lineEdit(), &QLineEdit::editingFinished, m_addressBox, nullptr);
    connect(m_addressBox, &QComboBox::currentIndexChanged, this, &frmBrowser::openChosenAddress);
}

void frmBrowser::layoutControls()
{
    // Toolbar and address panel are docked to the top and follow the width.
    m_toolBar->resize(width(), m_toolBar->height());
    m_addressPanel->resize(width(), m_addressPanel->height());

    // A size that would come out negative (a tiny or minimised window) is
    // left as it was.
    const int innerWidth = width() - px(Margin);
    const int innerHeight =
        height() - (m_addressPanel->y() + m_addressPanel->height()) - px(Margin);
    if (innerWidth >= 0) {
        m_addressBox->resize(innerWidth, m_addressBox->height());
        m_webView->resize(innerWidth, m_webView->height());
    }
    if (innerHeight >= 0)
        m_webView->resize(m_webView->width(), innerHeight);
}

void frmBrowser::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void frmBrowser::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (!isActiveWindow()) {
        m_ownDialogActive = ownsWindow(QApplication::activeWindow());
        return;
    }
    // A page's alert or other dialog of the browser closing hands the
    // keyboard back: reloading then would lose the page, and a page that
    // alerts while loading would never stop.
    if (std::exchange(m_ownDialogActive, false))
        return;
    // Back from another window of the program: the address it asked for is
    // opened again. Back from another program: the page stays as it is.
    if (std::exchange(m_otherWindowVisited, false))
        openBrowserAddress();
}

void frmBrowser::openBrowserAddress()
{
    m_otherWindowVisited = false;
    // A link that shows the window may activate it on the way: the address
    // is entered once for both.
    if (std::exchange(m_addressQueued, true))
        return;
    QTimer::singleShot(0, this, [this] { m_addressQueued = false; });
    // Typed into the emptied address box and entered, after the current
    // handler has returned, into this window even while it is not active yet.
    // The address is typed literally, whatever characters it holds.
    m_addressBox->setEditText(QString());
    m_addressBox->setFocus();
    m_program.host().sendKeys(literalKeyNotation(m_program.browserAddress()), this);
    m_program.host().sendKeys(QStringLiteral("{ENTER}"), this);
}

void frmBrowser::focusWindowChanged(QWindow *window)
{
    if (!window || window == windowHandle())
        return;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->windowHandle() == window && !ownsWindow(top))
            m_otherWindowVisited = true;
    }
}

void frmBrowser::showTitle(const QString &title)
{
    // The window system names an untitled window after the program; a blank
    // title keeps it empty as it should be until a page has a name.
    setWindowTitle(title.isEmpty() ? QStringLiteral(" ") : title);
}

bool frmBrowser::ownsWindow(const QWidget *window) const
{
    for (const QWidget *w = window; w; w = w->parentWidget()) {
        if (w == this)
            return window != this;
    }
    return false;
}

bool frmBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_addressBox || watched == m_addressBox->lineEdit()) &&
        event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            navigate();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmBrowser::openChosenAddress()
{
    if (m_suppressNavigation)
        return;
    navigate();
}

void frmBrowser::navigate()
{
    if (!m_page)
        return;
    m_titleTimer->start();
    // The text is read as a browser reads a typed address: "www.lua.org"
    // means http://www.lua.org.
    m_page->load(QUrl::fromUserInput(m_addressBox->currentText()));
}

void frmBrowser::recordVisitedAddress()
{
    showTitle(pageName());

    // The new address goes on top of the history; an equal entry (compared
    // exactly, letter case included) moves there instead of being doubled.
    const QString url = pageAddress();
    const int found = m_addressBox->findText(url, Qt::MatchExactly | Qt::MatchCaseSensitive);
    m_suppressNavigation = true;
    if (found >= 0)
        m_addressBox->removeItem(found);
    m_addressBox->insertItem(0, url);
    m_addressBox->setCurrentIndex(0);
    m_addressBox->setEditText(url);
    m_suppressNavigation = false;
}

void frmBrowser::showLoadedPageTitle()
{
    showTitle(pageName());
}

void frmBrowser::showProgressInTitle()
{
    if (isLoading()) {
        setWindowTitle(QStringLiteral("Working..."));
        return;
    }
    m_titleTimer->stop();
    showTitle(pageName());
}

void frmBrowser::runToolbarKey(const QString &key)
{
    if (!m_page)
        return;
    m_titleTimer->start();
    if (key == u"Back") {
        m_page->back();
    } else if (key == u"Forward") {
        m_page->forward();
    } else if (key == u"Refresh") {
        m_page->reload();
    } else if (key == u"Stop") {
        m_titleTimer->stop();
        m_page->stop();
        showTitle(pageName());
    }
}

QString frmBrowser::pageName() const
{
    // The engine names a page without a title after its address.
    if (!m_page)
        return QString();
    const QString title = m_page->title();
    return title.isEmpty() ? pageAddress() : title;
}

QString frmBrowser::pageAddress() const
{
    return m_page ? m_page->url().toString() : QString();
}
