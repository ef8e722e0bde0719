#pragma once

#include <QString>

class QWidget;

// The platform services that commands use: dialogs, clipboard, settings
// store, the program's folders and keystroke injection. Commands call these
// instead of Qt directly, so each reads as the steps it performs and a test
// can answer its dialogs.
class HostServices
{
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };
    enum class Icon { None, Error };
    enum class FileMode { Open, Save };

    HostServices() = default;
    virtual ~HostServices();
    HostServices(const HostServices &) = delete;
    HostServices &operator=(const HostServices &) = delete;

    // "Scrivlet IDE": the default message-box caption and the settings store's name.
    static QString applicationTitle();

    // A modal message; an empty caption shows the application title.
    virtual Answer messageBox(const QString &text, Buttons buttons, Icon icon = Icon::None,
                              const QString &caption = {}) = 0;

    // A modal one-line prompt with no default text; Cancel gives "".
    virtual QString inputBox(const QString &prompt, const QString &caption) = 0;

    // The shared file dialog. It opens on the file name chosen last by any
    // command unless `preset` names one; it returns the chosen path, or ""
    // when the user cancelled (a remembered name never counts as a choice).
    virtual QString showOpen(const QString &title, const QString &filter) = 0;
    virtual QString showSave(const QString &title, const QString &filter,
                             const QString &preset = {}) = 0;
    virtual QString lastFileName() const = 0;

    // Types keys, in the key notation, after the current handler has
    // returned, into `window` (by default the window that has the focus): into
    // its focused widget, even while the window manager has not yet handed the
    // window back its activation. Returns false when the notation is invalid.
    virtual bool sendKeys(const QString &notation, QWidget *window = nullptr) = 0;

    // Text on the system clipboard.
    virtual void clipboardClear() = 0;
    virtual void clipboardSetText(const QString &text) = 0;
    virtual QString clipboardText() const = 0;

    // Creates or replaces one value in the per-user settings store.
    virtual void saveSetting(const QString &section, const QString &key, const QString &value) = 0;
    // Makes sure reading the settings store cannot block: anything but a
    // regular file where the store's file goes (a FIFO, a device, a folder)
    // is moved aside. Returns what the user must be told, or "".
    virtual QString setAsideUnusableSettings() = 0;

    // One value from the per-user settings store; `fallback` when it holds none.
    virtual QString readSetting(const QString &section, const QString &key,
                                const QString &fallback = {}) const = 0;

    // The folder that holds the program (settings.ini, txt2doc, the export's
    // temporary files).
    virtual QString programDirectory() const = 0;
    // The user's own folder for what the program directory cannot take.
    virtual QString userDirectory() const = 0;
    // The user's cache folder (where an export's temporary file goes when the
    // program directory cannot take it).
    virtual QString cacheDirectory() const = 0;

    // The user's state folder: what the program keeps between runs that is
    // neither settings nor cache (the copy of unsaved text).
    virtual QString stateDirectory() const = 0;
};

// The file name the shared file dialog opens on: the last one chosen by any
// command, or the preset a command gives. Every implementation of the file
// dialogs keeps it the same way.
class RememberedFileName
{
public:
    // Runs `dialog(initialName)` and remembers what it returns unless that
    // is "" (cancelled). A preset replaces the remembered name first.
    template <class Dialog> QString choose(const QString &preset, Dialog &&dialog)
    {
        if (!preset.isEmpty())
            m_name = preset;
        QString chosen = dialog(m_name);
        if (!chosen.isEmpty())
            m_name = chosen;
        return chosen;
    }

    QString name() const { return m_name; }

private:
    QString m_name;
};
