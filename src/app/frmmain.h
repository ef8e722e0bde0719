#pragma once

#include <QMainWindow>

class EditorTextEdit;
class HostServices;
class Module1;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QStatusBar;
class QTimer;
class QToolBar;
class TextBuffer;

// The editor window: the document, the function catalogue with its help
// pane, the menus, the toolbar and the caret line status.
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(Module1 &program, QWidget *parent = nullptr);
    ~frmMain() override;

    Module1 &program() const { return m_program; }
    HostServices &host() const;

    // Controls, by the names the rest of the program knows them by.
    EditorTextEdit *text1() const { return m_text1; }
    QListWidget *List1() const { return m_list1; }
    QPlainTextEdit *label2() const { return m_label2; }
    QStatusBar *sbStatusBar() const { return m_statusBar; }
    QToolBar *tbToolBar() const { return m_toolBar; }
    TextBuffer &ConvBox() const { return *m_convBox; }

    // The document's plain text, lines joined by CR LF.
    QString documentText() const;

    // Fills the editor with a file's lines; reports a failure itself and
    // leaves the editor as it was. True when the file was loaded.
    bool LoadText(EditorTextEdit *Lst, const QString &file);
    // Writes a buffer's text plus CR LF to `file`, atomically; reports a
    // failure itself. True when the file was written.
    bool SaveText(const TextBuffer &Lst, const QString &file);

    // How a save that a command ran ended: a cancelled dialog is the user's
    // choice, a failure has been reported and the text must not be dropped.
    enum class SaveResult { Saved, Cancelled, Failed };

    // File and Edit commands.
    void newDocument();
    void openDocument();
    SaveResult save();
    SaveResult saveAs();
    void cut();
    void copy();
    void paste();
    void print();
    void exportPalmDoc();
    void exportText();

    // Runs the command of a toolbar button's key; unknown keys do nothing.
    void tbToolBar_ButtonClick(const QString &key);

    // Recomputes the caret line status after a change of the text.
    void text1_Change();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    enum class LoadResult { Loaded, Unreadable, Refused };

    // LoadText with the reason of a failure: a file that could not be read,
    // or one that was read and refused (binary, too large, not a file).
    LoadResult loadFile(EditorTextEdit *Lst, const QString &file);
    void createControls();
    void createMenus();
    void createToolBar();
    void setInitialContent();
    void fillCatalogue();
    void loadCommandLineFile();
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
    TextBuffer *m_convBox = nullptr;
    QTimer *m_timer1 = nullptr;
    bool m_closing = false;       // the close has been decided: the window goes
    bool m_askingToClose = false; // the close question is on the screen
};
