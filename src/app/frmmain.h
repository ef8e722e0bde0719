#pragma once

#include <QMainWindow>

class EditorTextEdit;
class HostServices;
class Module1;
class ProjectDocument;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QTimer;
class QToolBar;

// The editor window: the document, the function catalogue with its help
// pane, the menus, the toolbar and the caret line status. It builds the
// controls and wires the commands; the commands themselves live with the
// document, the exports, printing and code insertion.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(Module1 &program, QWidget *parent = nullptr);
    ~frmMain() override;

    Module1 &program() const { return m_program; }
    HostServices &host() const;
    ProjectDocument &document() const { return *m_document; }

    // Controls, by the names the rest of the program knows them by.
    EditorTextEdit *text1() const { return m_text1; }
    QListWidget *List1() const { return m_list1; }
    QPlainTextEdit *label2() const { return m_label2; }
    QStatusBar *sbStatusBar() const { return m_statusBar; }
    QToolBar *tbToolBar() const { return m_toolBar; }

    // Runs the command of a toolbar button's key; unknown keys do nothing.
    void tbToolBar_ButtonClick(const QString &key);

    // Recomputes the caret line status after a change of the text.
    void text1_Change();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void createMenus();
    void createToolBar();
    void setInitialContent();
    void fillCatalogue();
    void showLineStatus();
    void List1_Click();
    void List1_DblClick();
    void saveWindowPlacement();

    Module1 &m_program;
    EditorTextEdit *m_text1 = nullptr;
    QListWidget *m_list1 = nullptr;
    QPlainTextEdit *m_label2 = nullptr;
    QLabel *m_label1 = nullptr;
    QStatusBar *m_statusBar = nullptr;
    QToolBar *m_toolBar = nullptr;
    ProjectDocument *m_document = nullptr;
    QTimer *m_timer1 = nullptr;
    bool m_closing = false;       // the close has been decided: the window goes
    bool m_askingToClose = false; // the close question is on the screen
};
