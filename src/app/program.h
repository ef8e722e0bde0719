#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

class HostServices;
class frmMain;

// Program-wide state and the start-up procedure (what was once the start-up
// module, Module1). One instance lives for the whole run; every window
// reaches the shared state through it.
class Program
{
public:
    Program(HostServices &host, QString commandLine);
    ~Program();

    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    HostServices &host() const { return m_host; }

    // The program's arguments as one string, as the main window reads them.
    QString commandLine() const { return m_commandLine; }

    // The address the browser window opens when it is next activated.
    QString BrowserAddress;
    // The main window, once StartMainWindow has created it.
    QPointer<frmMain> mainWindow;

    // The first-run check: opens the editor when the marker says the first
    // run is over, otherwise shows the first-run wizard.
    void start();

    // Closes the wizard, creates the main window and shows it.
    void StartMainWindow();
    // Creates the main window and shows it, leaving other windows as they are.
    void openMainWindowBesideOthers();

    // Sets BrowserAddress and shows the shared browser window, which loads it.
    void openAddress(const QString &address);

    // Shows the single instance of a secondary window, creating it when it is
    // not loaded, and brings it to the front.
    template <class Window> Window *showWindow()
    {
        auto &slot = m_windows[&Window::staticMetaObject];
        auto *window = qobject_cast<Window *>(slot.data());
        if (!window) {
            window = new Window(*this);
            slot = window;
            adopt(window);
            placeNew(window);
        }
        present(window);
        return window;
    }

    template <class Window> Window *findWindow() const
    {
        return qobject_cast<Window *>(m_windows.value(&Window::staticMetaObject).data());
    }

private:
    void adopt(QWidget *window);
    // Puts a new window near the main window, clear of the others, on the screen.
    void placeNew(QWidget *window);
    static void present(QWidget *window);

    HostServices &m_host;
    QString m_commandLine;
    QHash<const QMetaObject *, QPointer<QWidget>> m_windows;
};
