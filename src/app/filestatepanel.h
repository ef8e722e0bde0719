#pragma once

#include <QLabel>

class frmMain;
class QTimer;

// A status bar panel of its own, right of the caret's line: the project
// file's name with a mark while its text differs from the saved one, and for
// a moment after Save or an export, a word that it was done.
class FileStatePanel : public QLabel
{
    Q_OBJECT

public:
    explicit FileStatePanel(frmMain &window);

    // How long a confirmation stays before the file's state shows again.
    static constexpr int ConfirmationMs = 4000;

    // The file's state: "hello.lua", "hello.lua *" when modified,
    // "(untitled)" before the project has a file.
    QString stateText() const;

private:
    void showState();
    void confirm(const QString &text);

    frmMain &m_window;
    QTimer *m_confirmation;
    QString m_shownState; // the state the panel shows; "" while it confirms
};
