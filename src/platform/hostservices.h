#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class KeystrokeQueue;

// The platform services that commands use: dialogs, keystroke injection,
// clipboard, settings store and application properties. Commands call these
// instead of Qt directly, so each reads as the steps it performs and a test
// can answer its dialogs.
class HostServices : public QObject
{
    Q_OBJECT

public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };
    enum class Icon { None, Error };
    enum class FileMode { Open, Save };

    explicit HostServices(QObject *parent = nullptr);
    ~HostServices() override;

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
    QString showOpen(const QString &title, const QString &filter);
    QString showSave(const QString &title, const QString &filter, const QString &preset = {});
    QString lastFileName() const { return m_lastFileName; }

    // Types keys, in the key notation, after the current handler has
    // returned, into `window` (by default the window that has the focus): into
    // its focused widget, even while the window manager has not yet handed the
    // window back its activation. Returns false when the notation is invalid.
    virtual bool sendKeys(const QString &notation, QWidget *window = nullptr);

    // Text on the system clipboard.
    virtual void clipboardClear();
    virtual void clipboardSetText(const QString &text);
    virtual QString clipboardText() const;

    // Creates or replaces one value in the per-user settings store.
    virtual void saveSetting(const QString &section, const QString &key, const QString &value);
    // One value from the per-user settings store; `fallback` when it holds none.
    virtual QString readSetting(const QString &section, const QString &key,
                                const QString &fallback = {}) const;

    // The folder that holds the program (settings.ini, txt2doc, the export's
    // temporary files).
    virtual QString programDirectory() const = 0;
    // The user's own folder for what the program directory cannot take.
    virtual QString userDirectory() const;

    // Top-level windows of the program, oldest first. A window is listed from
    // registration until it is destroyed.
    void registerWindow(QWidget *window);
    QList<QWidget *> loadedWindows() const;

    KeystrokeQueue *keystrokes() const { return m_keystrokes; }

protected:
    virtual QString runFileDialog(FileMode mode, const QString &title, const QString &filter,
                                  const QString &initialName) = 0;

private:
    QString m_lastFileName;
    QList<QPointer<QWidget>> m_windows;
    KeystrokeQueue *m_keystrokes;
};
