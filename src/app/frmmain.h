#pragma once

#include <QMainWindow>

class EditorTextEdit;
class HostServices;
class ProgramState;
class ProjectDocument;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QTimer;
class QToolBar;
class UnsavedTextKeeper;

// The editor window: the document, the function catalogue with its help
// pane, the menus, the toolbar and the caret line status. It builds the
// controls and wires the commands; the commands themselves live with the
// document, the exports, printing and code insertion.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(ProgramState &program, QWidget *parent = nullptr);
    ~frmMain() override;

    ProgramState &program() const { return m_program; }
    HostServices &host() const;
    ProjectDocument &document() const { return *m_document; }
    UnsavedTextKeeper &unsavedText() const { return *m_unsavedText; }

    // The controls by their role; each keeps its design name as objectName.
    EditorTextEdit *editor() const { return m_editor; }
    QListWidget *catalogueList() const { return m_catalogueList; }
    QPlainTextEdit *helpPane() const { return m_helpPane; }
    QStatusBar *lineStatusBar() const { return m_lineStatusBar; }
    QToolBar *toolBar() const { return m_toolBar; }

    // Runs the command of a toolbar button's key; unknown keys do nothing.
    void runToolbarKey(const QString &key);

    // Shows the caret's line and the line count in the status bar.
    void showLineStatus();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void createMenus();
    void createToolBar();
    void setInitialContent();
    // The design's pale yellow on a light palette, a dark one on a dark.
    void applyHelpColours();
    void fillCatalogue();
    void showCatalogueHelp();
    void insertCatalogueCall();

    ProgramState &m_program;
    EditorTextEdit *m_editor = nullptr;
    QListWidget *m_catalogueList = nullptr;
    QPlainTextEdit *m_helpPane = nullptr;
    QLabel *m_catalogueLabel = nullptr;
    QStatusBar *m_lineStatusBar = nullptr;
    QToolBar *m_toolBar = nullptr;
    ProjectDocument *m_document = nullptr;
    UnsavedTextKeeper *m_unsavedText = nullptr;
    QTimer *m_lineStatusTimer = nullptr;
    bool m_closing = false;       // the close has been decided: the window goes
    bool m_askingToClose = false; // the close question is on the screen
};
