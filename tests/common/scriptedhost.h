#pragma once

#include "platform/qthostservices.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// Host services whose dialogs answer from a script instead of a person.
// Keystrokes, clipboard, settings and folders are the desktop's own; every
// dialog asked is recorded so a test can check its text, caption and buttons.
class ScriptedHostServices : public HostServices
{
public:
    struct MessageCall
    {
        QString text;
        Buttons buttons;
        Icon icon;
        QString caption; // as shown: the application title when none was given
    };
    struct InputCall
    {
        QString prompt;
        QString caption;
    };
    struct FileDialogCall
    {
        FileMode mode;
        QString title;
        QString filter;
        QString initialName;
    };

    explicit ScriptedHostServices(const QString &programDirectory) : m_desktop(programDirectory) {}

    // Answers given in order; a dialog with no scripted answer is recorded in
    // `unexpected` and answered with Cancel / No / "" so nothing hangs.
    QQueue<Answer> messageAnswers;
    QQueue<QString> inputAnswers;
    QQueue<QString> fileAnswers; // "" cancels the dialog

    QList<MessageCall> messages;
    QList<InputCall> inputs;
    QList<FileDialogCall> fileDialogs;
    QStringList unexpected;

    QString userDirectoryOverride;

    Answer messageBox(const QString &text, Buttons buttons, Icon icon = Icon::None,
                      const QString &caption = {}) override
    {
        messages.append({text, buttons, icon, caption.isEmpty() ? applicationTitle() : caption});
        if (messageAnswers.isEmpty()) {
            unexpected.append(QStringLiteral("message box: ") + text);
            return buttons == Buttons::Ok      ? Answer::Ok
                   : buttons == Buttons::YesNo ? Answer::No
                                               : Answer::Cancel;
        }
        return messageAnswers.dequeue();
    }

    QString inputBox(const QString &prompt, const QString &caption) override
    {
        inputs.append({prompt, caption});
        if (inputAnswers.isEmpty()) {
            unexpected.append(QStringLiteral("input box: ") + prompt);
            return {};
        }
        return inputAnswers.dequeue();
    }

    QString showOpen(const QString &title, const QString &filter) override
    {
        return m_fileName.choose({}, [&](const QString &initialName) {
            return runFileDialog(FileMode::Open, title, filter, initialName);
        });
    }
    QString showSave(const QString &title, const QString &filter,
                     const QString &preset = {}) override
    {
        return m_fileName.choose(preset, [&](const QString &initialName) {
            return runFileDialog(FileMode::Save, title, filter, initialName);
        });
    }
    QString lastFileName() const override { return m_fileName.name(); }

    bool sendKeys(const QString &notation, QWidget *window = nullptr) override
    {
        return m_desktop.sendKeys(notation, window);
    }
    KeystrokeQueue *keystrokes() const { return m_desktop.keystrokes(); }

    void clipboardClear() override { m_desktop.clipboardClear(); }
    void clipboardSetText(const QString &text) override { m_desktop.clipboardSetText(text); }
    QString clipboardText() const override { return m_desktop.clipboardText(); }

    void saveSetting(const QString &section, const QString &key, const QString &value) override
    {
        m_desktop.saveSetting(section, key, value);
    }
    QString readSetting(const QString &section, const QString &key,
                        const QString &fallback = {}) const override
    {
        return m_desktop.readSetting(section, key, fallback);
    }

    QString programDirectory() const override { return m_desktop.programDirectory(); }
    QString userDirectory() const override
    {
        return userDirectoryOverride.isEmpty() ? m_desktop.userDirectory() : userDirectoryOverride;
    }
    QString cacheDirectory() const override { return m_desktop.cacheDirectory(); }
    QString stateDirectory() const override { return m_desktop.stateDirectory(); }
    QString setAsideUnusableSettings() override { return m_desktop.setAsideUnusableSettings(); }

private:
    QString runFileDialog(FileMode mode, const QString &title, const QString &filter,
                          const QString &initialName)
    {
        fileDialogs.append({mode, title, filter, initialName});
        if (fileAnswers.isEmpty()) {
            unexpected.append(QStringLiteral("file dialog: ") + title);
            return {};
        }
        return fileAnswers.dequeue();
    }

    QtHostServices m_desktop;
    RememberedFileName m_fileName;
};
