#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>

class HostServices;
class PalmDocConverter;
class QMainWindow;

// The program-wide state, one instance for the whole run (what the start-up
// module kept in its variables): the command line, the address the browser
// opens next, the one list of the program's windows and the converter that
// owns running exports. Windows reach each other only through it; the main
// window is created by whoever starts the program, through createMainWindow.
class ProgramState
{
public:
    ProgramState(HostServices &host, QString commandLine);
    virtual ~ProgramState();

    ProgramState(const ProgramState &) = delete;
    ProgramState &operator=(const ProgramState &) = delete;

    HostServices &host() const { return m_host; }

    // The program's arguments as one string, as the main window reads them.
    QString commandLine() const { return m_commandLine; }

    // The address the browser window opens when it is next activated
    // ("BrowserAddress").
    QString browserAddress() const { return m_browserAddress; }
    void setBrowserAddress(const QString &address) { m_browserAddress = address; }

    // Exports convert on after their command has returned, so the converter
    // belongs to the program, not to a window.
    PalmDocConverter &converter() const { return *m_converter; }

    // Creates the main window and shows it, leaving other windows as they are.
    void openMainWindowBesideOthers();

    // Lists a top-level window from now until it is destroyed, and lets
    // closing it delete it.
    void registerWindow(QWidget *window);
    // The program's top-level windows, oldest first.
    QList<QWidget *> loadedWindows() const;

    // Shows the single instance of a secondary window, creating it when it is
    // not loaded, and brings it to the front.
    template <class Window> Window *showWindow()
    {
        auto *window = findWindow<Window>();
        if (!window) {
            window = new Window(*this);
            registerWindow(window);
            placeNew(window);
        }
        present(window);
        return window;
    }

    template <class Window> Window *findWindow() const
    {
        for (const auto &loaded : m_windows) {
            if (auto *window = qobject_cast<Window *>(loaded.data()))
                return window;
        }
        return nullptr;
    }

protected:
    // Builds the editor's main window; called by openMainWindowBesideOthers.
    virtual QMainWindow *createMainWindow() = 0;
    QMainWindow *currentMainWindow() const;

private:
    // Puts a new window near the main window, clear of the others, on the screen.
    void placeNew(QWidget *window);
    static void present(QWidget *window);

    HostServices &m_host;
    QString m_commandLine;
    QString m_browserAddress;
    QPointer<QMainWindow> m_mainWindow;
    QList<QPointer<QWidget>> m_windows;
    std::unique_ptr<PalmDocConverter> m_converter;
};
