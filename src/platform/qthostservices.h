#pragma once

#include "hostservices.h"

#include <QList>
#include <QObject>
#include <QPointer>

class KeystrokeQueue;
class QWindow;

// The host services on the desktop: Qt's message box, input dialog and file
// dialog, each parented to the window that opened it; the system clipboard,
// the per-user settings store and keystrokes typed through a queue.
class QtHostServices : public QObject, public HostServices
{
    Q_OBJECT

public:
    // `programDirectory` defaults to the folder of the running executable.
    explicit QtHostServices(const QString &programDirectory = {}, QObject *parent = nullptr);
    ~QtHostServices() override;

    Answer messageBox(const QString &text, Buttons buttons, Icon icon = Icon::None,
                      const QString &caption = {}) override;
    QString inputBox(const QString &prompt, const QString &caption) override;

    QString showOpen(const QString &title, const QString &filter) override;
    QString showSave(const QString &title, const QString &filter,
                     const QString &preset = {}) override;
    QString lastFileName() const override { return m_fileName.name(); }

    bool sendKeys(const QString &notation, QWidget *window = nullptr) override;
    KeystrokeQueue *keystrokes() const { return m_keystrokes; }

    void clipboardClear() override;
    void clipboardSetText(const QString &text) override;
    QString clipboardText() const override;

    void saveSetting(const QString &section, const QString &key, const QString &value) override;
    QString readSetting(const QString &section, const QString &key,
                        const QString &fallback = {}) const override;

    QString programDirectory() const override { return m_programDirectory; }
    QString userDirectory() const override;
    QString cacheDirectory() const override;
    QString stateDirectory() const override;
    QString setAsideUnusableSettings() override;

private:
    QString runFileDialog(FileMode mode, const QString &title, const QString &filter,
                          const QString &initialName);
    // The window a dialog opened now belongs to: the active window, or, in
    // the moment after another dialog closed and before the window manager
    // activates anything again, the window that was active before.
    QWidget *dialogParent() const;
    void windowActivated(QWindow *window);

    QString m_programDirectory;
    RememberedFileName m_fileName;
    KeystrokeQueue *m_keystrokes;
    QList<QPointer<QWidget>> m_activated; // most recent last
};
