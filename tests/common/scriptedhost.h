#pragma once

#include "platform/qthostservices.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

// Host services whose dialogs answer from a script instead of a person.
// Keystrokes, clipboard and settings stay the real ones; every dialog asked
// is recorded so a test can check its text, caption and buttons.
class ScriptedHostServices : public QtHostServices
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

    explicit ScriptedHostServices(const QString &programDirectory, QObject *parent = nullptr)
        : QtHostServices(programDirectory, parent)
    {}

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

    QString userDirectory() const override
    {
        return userDirectoryOverride.isEmpty() ? QtHostServices::userDirectory()
                                               : userDirectoryOverride;
    }

protected:
    QString runFileDialog(FileMode mode, const QString &title, const QString &filter,
                          const QString &initialName) override
    {
        fileDialogs.append({mode, title, filter, initialName});
        if (fileAnswers.isEmpty()) {
            unexpected.append(QStringLiteral("file dialog: ") + title);
            return {};
        }
        return fileAnswers.dequeue();
    }
};
