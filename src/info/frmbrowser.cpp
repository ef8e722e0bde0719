#include "frmbrowser.h"

#include "platform/hostservices.h"
#include "keynotation.h"
#include "session/programstate.h"
#include "formgeometry.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWebEngineView>
#include <QWindow>

#include <utility>

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
};

constexpr ToolButton toolButtons[] = {
    {"Back", ":/browser/back.svg"},
    {"Forward", ":/browser/forward.svg"},
    {"Stop", ":/browser/stop.svg"},
    {"Refresh", ":/browser/refresh.svg"},
};

} // namespace

frmBrowser::frmBrowser(ProgramState &program, QWidget *parent)
    : QWidget(parent), m_program(program), m_timTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("frmBrowser"));
    // The client area opens at its design place and size; the title stays
    // empty until the first page reports its name.
    setGeometry(px(3060), px(3450), px(9360), px(7815));
    showTitle(QString());
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmBrowser::focusWindowChanged);

    createToolBar();
    createAddressPanel();

    // The web engine starts with the first browser window, not with the
    // program: the editor never pays for it.
    m_brwWebBrowser = new QWebEngineView(this);
    m_brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    m_brwWebBrowser->setGeometry(px(BrowserLeft), px(BrowserTop), px(5393), px(3734));
    connect(m_brwWebBrowser, &QWebEngineView::urlChanged, this,
            &frmBrowser::brwWebBrowser_NavigateComplete2);
    connect(m_brwWebBrowser, &QWebEngineView::loadFinished, this, [this] {
        m_busy = false;
        brwWebBrowser_DownloadComplete();
    });
    // The engine reports the start of a load a moment after it was asked
    // for (and also for links followed inside a page): polling runs from
    // there, so the busy title covers the whole load.
    connect(m_brwWebBrowser, &QWebEngineView::loadStarted, this, [this] {
        m_busy = true;
        m_timTimer->start();
    });

    m_timTimer->setObjectName(QStringLiteral("timTimer"));
    m_timTimer->setInterval(5);
    connect(m_timTimer, &QTimer::timeout, this, &frmBrowser::showProgressInTitle);

    layoutControls();
    // The address box sits just below its label, in from the left edge.
    m_cboAddress->move(px(50), m_lblAddress->y() + m_lblAddress->height() + px(15));
}

void frmBrowser::createToolBar()
{
    m_tbToolBar = new QToolBar(this);
    m_tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_tbToolBar->setMovable(false);
    m_tbToolBar->setFloatable(false);
    m_tbToolBar->setIconSize(QSize(24, 24));
    m_tbToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_tbToolBar->setGeometry(0, 0, width(), px(ToolBarHeight));
    for (const ToolButton &button : toolButtons) {
        const QString key = QLatin1String(button.key);
        QAction *action = m_tbToolBar->addAction(QIcon(QLatin1String(button.picture)), key);
        action->setObjectName(QStringLiteral("tb") + key);
        action->setData(key);
        action->setToolTip(key);
        connect(action, &QAction::triggered, this, [this, key] { runToolbarKey(key); });
    }
}

void frmBrowser::createAddressPanel()
{
    m_picAddress = new QWidget(this);
    m_picAddress->setObjectName(QStringLiteral("picAddress"));
    m_picAddress->setGeometry(0, px(AddressTop), width(), px(AddressHeight));

    m_lblAddress = new QLabel(QStringLiteral("&Address:"), m_picAddress);
    m_lblAddress->setObjectName(QStringLiteral("lblAddress"));
    m_lblAddress->setGeometry(px(45), px(60), px(3075), px(255));

    m_cboAddress = new QComboBox(m_picAddress);
    m_cboAddress->setObjectName(QStringLiteral("cboAddress"));
    m_cboAddress->setEditable(true);
    m_cboAddress->setGeometry(px(45), px(300), px(3795), px(315));
    // The history is built by the navigation-complete step alone; the box
    // neither adds typed text nor completes it from the list, so Enter goes
    // to exactly what was typed.
    m_cboAddress->setInsertPolicy(QComboBox::NoInsert);
    m_cboAddress->setCompleter(nullptr);
    m_cboAddress->setEditText(QStringLiteral("Combo1"));
    m_lblAddress->setBuddy(m_cboAddress);

    // Enter is handled here; the box's own Enter handling would also pick a
    // matching history entry and so navigate a second time.
    m_cboAddress->installEventFilter(this);
    m_cboAddress->lineEdit()->installEventFilter(this);
    disconnect(m_cboAddress->lineEdit(), &QLineEdit::editingFinished, m_cboAddress, nullptr);
    connect(m_cboAddress, &QComboBox::currentIndexChanged, this, &frmBrowser::openChosenAddress);
}

void frmBrowser::layoutControls()
{
    // Toolbar and address panel are docked to the top and follow the width.
    m_tbToolBar->resize(width(), m_tbToolBar->height());
    m_picAddress->resize(width(), m_picAddress->height());

    // A size that would come out negative (a tiny or minimised window) is
    // left as it was.
    const int innerWidth = width() - px(Margin);
    const int innerHeight = height() - (m_picAddress->y() + m_picAddress->height()) - px(Margin);
    if (innerWidth >= 0) {
        m_cboAddress->resize(innerWidth, m_cboAddress->height());
        m_brwWebBrowser->resize(innerWidth, m_brwWebBrowser->height());
    }
    if (innerHeight >= 0)
        m_brwWebBrowser->resize(m_brwWebBrowser->width(), innerHeight);
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
    m_cboAddress->setEditText(QString());
    m_cboAddress->setFocus();
    m_program.host().sendKeys(literalKeyNotation(m_program.BrowserAddress), this);
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
    if ((watched == m_cboAddress || watched == m_cboAddress->lineEdit()) &&
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
    if (SuppressNavigation)
        return;
    navigate();
}

void frmBrowser::navigate()
{
    m_timTimer->start();
    // The text is read as a browser reads a typed address: "www.lua.org"
    // means http://www.lua.org.
    m_brwWebBrowser->load(QUrl::fromUserInput(m_cboAddress->currentText()));
}

void frmBrowser::brwWebBrowser_NavigateComplete2()
{
    showTitle(LocationName());

    // The new address goes on top of the history; an equal entry (compared
    // exactly, letter case included) moves there instead of being doubled.
    const QString url = LocationURL();
    const int found = m_cboAddress->findText(url, Qt::MatchExactly | Qt::MatchCaseSensitive);
    SuppressNavigation = true;
    if (found >= 0)
        m_cboAddress->removeItem(found);
    m_cboAddress->insertItem(0, url);
    m_cboAddress->setCurrentIndex(0);
    m_cboAddress->setEditText(url);
    SuppressNavigation = false;
}

void frmBrowser::brwWebBrowser_DownloadComplete()
{
    showTitle(LocationName());
}

void frmBrowser::showProgressInTitle()
{
    if (Busy()) {
        setWindowTitle(QStringLiteral("Working..."));
        return;
    }
    m_timTimer->stop();
    showTitle(LocationName());
}

void frmBrowser::runToolbarKey(const QString &key)
{
    m_timTimer->start();
    if (key == u"Back") {
        m_brwWebBrowser->back();
    } else if (key == u"Forward") {
        m_brwWebBrowser->forward();
    } else if (key == u"Refresh") {
        m_brwWebBrowser->reload();
    } else if (key == u"Stop") {
        m_timTimer->stop();
        m_brwWebBrowser->stop();
        showTitle(LocationName());
    }
}

QString frmBrowser::LocationName() const
{
    // The engine names a page without a title after its address.
    const QString title = m_brwWebBrowser->title();
    return title.isEmpty() ? LocationURL() : title;
}

QString frmBrowser::LocationURL() const
{
    return m_brwWebBrowser->url().toString();
}
