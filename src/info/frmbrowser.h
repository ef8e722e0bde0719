#pragma once

#include <QWidget>

class ProgramState;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QWindow;
class WebPageView;

// The program's own web browser. It takes no address as an argument: it types
// ProgramState::browserAddress() into its address box and presses Enter, so a link
// opens through the same path as a typed address. It does so when a link shows
// it, and again each time the user comes back to it from another window of
// the program. One instance is shared by every link; closing it drops the
// page and the address history.
class frmBrowser : public QWidget
{
    Q_OBJECT

public:
    explicit frmBrowser(ProgramState &program, QWidget *parent = nullptr);

    // A toolbar button by its key: "Back", "Forward", "Stop" or "Refresh".
    void runToolbarKey(const QString &key);

    // Types the browser address into the emptied address box and enters it.
    void openBrowserAddress();

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createToolBar();
    void createAddressPanel();
    // The page view from its plugin, or a notice in its place when the
    // plugin cannot be loaded.
    void createPageView();
    void layoutControls();
    // Whether `window` is a dialog that belongs to this browser.
    bool ownsWindow(const QWidget *window) const;
    // Notes when another window of the program takes the keyboard.
    void focusWindowChanged(QWindow *window);
    // The window title; an empty one shows as blank, not as the program's name.
    void showTitle(const QString &title);

    // The address box: a selection in its list, or Enter in its edit field.
    void openChosenAddress();
    void navigate();

    // The view shows a new address: it goes on top of the history.
    void recordVisitedAddress();
    // A page has finished loading.
    void showLoadedPageTitle();
    void showProgressInTitle();

    // What the page reports about itself.
    bool isLoading() const { return m_loading; }
    QString pageName() const;
    QString pageAddress() const;

    ProgramState &m_program;
    QToolBar *m_toolBar;
    QWidget *m_addressPanel;
    QLabel *m_addressLabel;
    QComboBox *m_addressBox;
    QWidget *m_webView = nullptr;
    WebPageView *m_page = nullptr; // null without the page-view plugin
    QTimer *m_titleTimer;
    bool m_loading = false;
    // True while a dialog of the browser's own (a page's alert, for one) has
    // the keyboard: coming back from it is no switch between windows.
    bool m_ownDialogActive = false;
    // True once another window of the program had the keyboard since this
    // window last entered the browser address: coming back from it enters the
    // address again, coming back from another program does not.
    bool m_otherWindowVisited = false;
    // True from queuing the address until the current handler has returned.
    bool m_addressQueued = false;
    // True while the history is rebuilt, so that selecting its new top entry
    // does not start a second navigation.
    bool m_suppressNavigation = false;
};
