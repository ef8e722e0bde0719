#pragma once

#include <QWidget>

class Module1;
class QComboBox;
class QLabel;
class QTimer;
class QToolBar;
class QWebEngineView;

// The program's own web browser. It takes no address as an argument: each
// time it becomes the active window it types Module1::BrowserAddress into its
// address box and presses Enter, so a link opens through the same path as a
// typed address. One instance is shared by every link; closing it drops the
// page and the address history.
class frmBrowser : public QWidget
{
    Q_OBJECT

public:
    explicit frmBrowser(Module1 &program, QWidget *parent = nullptr);

    // A toolbar button by its key: "Back", "Forward", "Stop" or "Refresh".
    void tbToolBar_ButtonClick(const QString &key);

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createToolBar();
    void createAddressPanel();
    void layoutControls();
    // Whether `window` is a dialog that belongs to this browser.
    bool ownsWindow(const QWidget *window) const;

    // The address box: a selection in its list, or Enter in its edit field.
    void cboAddress_Click();
    void navigate();

    void brwWebBrowser_NavigateComplete2();
    void brwWebBrowser_DownloadComplete();
    void timTimer_Timer();

    // What the page reports about itself.
    bool Busy() const { return m_busy; }
    QString LocationName() const;
    QString LocationURL() const;

    Module1 &m_program;
    QToolBar *m_tbToolBar;
    QWidget *m_picAddress;
    QLabel *m_lblAddress;
    QComboBox *m_cboAddress;
    QWebEngineView *m_brwWebBrowser;
    QTimer *m_timTimer;
    bool m_busy = false;
    // True while a dialog of the browser's own (a page's alert, for one) has
    // the keyboard: coming back from it is no switch between windows.
    bool m_ownDialogActive = false;
    // True while the history is rebuilt, so that selecting its new top entry
    // does not start a second navigation.
    bool SuppressNavigation = false;
};
