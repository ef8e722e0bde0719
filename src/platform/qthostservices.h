#pragma once

#include "hostservices.h"

// The host services on the desktop: Qt's message box, input dialog and file
// dialog, parented to the program's active window.
class QtHostServices : public HostServices
{
    Q_OBJECT

public:
    // `programDirectory` defaults to the folder of the running executable.
    explicit QtHostServices(const QString &programDirectory = {}, QObject *parent = nullptr);

    Answer messageBox(const QString &text, Buttons buttons, Icon icon = Icon::None,
                      const QString &caption = {}) override;
    QString inputBox(const QString &prompt, const QString &caption) override;
    QString programDirectory() const override { return m_programDirectory; }

protected:
    QString runFileDialog(FileMode mode, const QString &title, const QString &filter,
                          const QString &initialName) override;

private:
    QString m_programDirectory;
};
