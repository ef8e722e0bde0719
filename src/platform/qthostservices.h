#pragma once

#include "hostservices.h"

class QWindow;

// The host services on the desktop: Qt's message box, input dialog and file
// dialog, each parented to the window that opened it.
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
    // The window a dialog opened now belongs to: the active window, or, in
    // the moment after another dialog closed and before the window manager
    // activates anything again, the window that was active before.
    QWidget *dialogParent() const;
    void windowActivated(QWindow *window);

    QString m_programDirectory;
    QList<QPointer<QWidget>> m_activated; // most recent last
};
