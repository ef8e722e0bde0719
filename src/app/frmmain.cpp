#include "frmmain.h"

#include "editortextedit.h"
#include "hostservices.h"
#include "linestatus.h"
#include "module1.h"
#include "textbuffer.h"
#include "textfile.h"
#include "twips.h"
#include "info/helpwindows.h"
#include "lang/catalogue.h"
#include "lang/pluasupport.h"
#include "lang/codeinsertion.h"
#include "output/palmdocconverter.h"
#include "output/palmdocexport.h"
#include "output/printing.h"
#include "output/textexport.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>

#include <exception>

using Twips::px;

namespace {

const QString LuaFilter = QStringLiteral("Lua/Plua Files (*.lua)");

using Command = void (*)(frmMain &);

struct MenuItem
{
    const char *name;
    const char *caption; // "-" is a separator
    const char *shortcut;
    Command command;
};

struct Menu
{
    const char *name;
    const char *caption;
    std::initializer_list<MenuItem> items;
};

const Menu Menus[] = {
    {"mnuFile",
     "&File",
     {
         {"mnuFileNew", "&New", "Ctrl+N", [](frmMain &w) { w.newDocument(); }},
         {"mnuFileOpen", "&Open...", "Ctrl+O", [](frmMain &w) { w.openDocument(); }},
         {"mnuFileBar0", "-", nullptr, nullptr},
         {"mnuFileSave", "&Save", "Ctrl+S", [](frmMain &w) { w.save(); }},
         {"mnuFileSaveAs", "Save &As...", nullptr, [](frmMain &w) { w.saveAs(); }},
         {"mnuPRCexport", "&Export To .prc", nullptr, [](frmMain &w) { w.exportPalmDoc(); }},
         {"mnutxtExport", "&Export To .txt", nullptr, [](frmMain &w) { w.exportText(); }},
         {"mnuFileBar1", "-", nullptr, nullptr},
         {"mnuFilePrint", "&Print", "Ctrl+P", [](frmMain &w) { w.print(); }},
         {"mnuFileBar2", "-", nullptr, nullptr},
         {"mnuFileExit", "E&xit", nullptr, [](frmMain &w) { w.close(); }},
     }},
    {"mnuEdit",
     "&Edit",
     {
         {"mnuEditCut", "Cu&t", nullptr, [](frmMain &w) { w.cut(); }},
         {"mnuEditCopy", "&Copy", nullptr, [](frmMain &w) { w.copy(); }},
         {"mnuEditPaste", "&Paste", nullptr, [](frmMain &w) { w.paste(); }},
     }},
    {"mnuInsert",
     "&Insert",
     {
         {"mnuNewFunction", "New Function", "Ctrl+F", &CodeInsertion::insertNewFunction},
         {"mnuComment", "Comment", "Ctrl+M", &CodeInsertion::insertComment},
     }},
    {"mnuHelp",
     "&Help",
     {
         {"mnuinfoplua", "What is (P)LUA?", nullptr,
          [](frmMain &w) { HelpWindows::showPluaInfo(w.program()); }},
         {"mnupluawhere", "Where to get PLua?", nullptr,
          [](frmMain &w) { HelpWindows::showPluaWhere(w.program()); }},
         {"mnuInstallationInstructions", "PLua Installation Instructions", nullptr,
          [](frmMain &w) { HelpWindows::showInstallationInstructions(w.program()); }},
         {"Linebetween", "-", nullptr, nullptr},
         {"hollinlink", "Hollin Development", nullptr,
          [](frmMain &w) { HelpWindows::openMakerSite(w.program()); }},
         {"plualink", "PLua Homepage", nullptr,
          [](frmMain &w) { HelpWindows::openPluaHome(w.program()); }},
         {"lualink", "Lua Homepage", nullptr,
          [](frmMain &w) { HelpWindows::openLuaHome(w.program()); }},
         {"mnuHelpBar2", "-", nullptr, nullptr},
         {"mnuDonate", "Donate", nullptr,
          [](frmMain &w) { HelpWindows::showDonations(w.program()); }},
         {"mnuHelpBar3", "-", nullptr, nullptr},
         {"mnuHelpAbout", "&About ", nullptr,
          [](frmMain &w) { HelpWindows::showAbout(w.program(), &w); }},
     }},
};

struct ToolButton
{
    const char *key; // also the tool tip; nullptr is a separator
    const char *themeIcon;
    const char *resource;
};

const ToolButton ToolButtons[] = {
    {"New", "document-new", ":/icons/new.svg"},       {"Open", "document-open", ":/icons/open.svg"},
    {"Save", "document-save", ":/icons/save.svg"},    {nullptr, nullptr, nullptr},
    {"Print", "document-print", ":/icons/print.svg"}, {nullptr, nullptr, nullptr},
    {"Cut", "edit-cut", ":/icons/cut.svg"},           {"Copy", "edit-copy", ":/icons/copy.svg"},
    {"Paste", "edit-paste", ":/icons/paste.svg"},
};

} // namespace

frmMain::frmMain(Module1 &program, QWidget *parent) : QMainWindow(parent), m_program(program)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Scrivlet IDE 1.3b"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/scrivlet.svg")));
    // A fixed frame: minimise and close, no maximise, no sizing border.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    createControls();
    createMenus();
    createToolBar();
    setInitialContent();
    attachPluaSupport(m_text1, m_statusBar);

    const int menuHeight = menuBar()->sizeHint().height();
    const QSize client(px(9135), px(8220));
    setFixedSize(client.width(), client.height() + menuHeight);
    // The client area below the menu bar starts 45 twips from the screen's
    // left and 1080 twips from its top.
    move(px(45), std::max(0, px(1080) - menuHeight));

    // Load: the catalogue first, then a file named on the command line.
    fillCatalogue();
    loadCommandLineFile();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(100);
    connect(m_timer1, &QTimer::timeout, this, &frmMain::showLineStatus);
    m_timer1->start();
}

frmMain::~frmMain() = default;

HostServices &frmMain::host() const
{
    return m_program.host();
}

void frmMain::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(px(9135), px(8220));
    setCentralWidget(client);

    m_toolBar = new QToolBar(client);
    m_toolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_toolBar->setGeometry(0, 0, px(9135), px(420));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setFocusPolicy(Qt::NoFocus);

    m_label1 = new QLabel(QStringLiteral("(P)Lua functions:"), client);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(px(7080), px(480), px(1575), px(255));

    m_text1 = new EditorTextEdit(client);
    m_text1->setObjectName(QStringLiteral("text1"));
    m_text1->setGeometry(px(120), px(600), px(6855), px(6375));
    QFont editorFont(QStringLiteral("Courier New"));
    editorFont.setStyleHint(QFont::TypeWriter);
    editorFont.setPointSizeF(9.75);
    editorFont.setBold(true);
    m_text1->setFont(editorFont);
    m_text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab stops every half inch: a length on paper, whatever the UI font.
    m_text1->setTabStopDistance(96 / 2);
    connect(m_text1, &QPlainTextEdit::textChanged, this, &frmMain::text1_Change);
    connect(m_text1, &QPlainTextEdit::cursorPositionChanged, this, &frmMain::showLineStatus);

    m_list1 = new QListWidget(client);
    m_list1->setObjectName(QStringLiteral("List1"));
    m_list1->setGeometry(px(7080), px(840), px(1935), px(6105));
    m_list1->setSortingEnabled(true);
    m_list1->setToolTip(
        QStringLiteral("Double-Click on a function to insert it into your project"));
    connect(m_list1, &QListWidget::currentItemChanged, this, &frmMain::List1_Click);
    connect(m_list1, &QListWidget::itemDoubleClicked, this, &frmMain::List1_DblClick);

    m_label2 = new QPlainTextEdit(QStringLiteral("Text2"), client);
    m_label2->setObjectName(QStringLiteral("label2"));
    m_label2->setGeometry(px(120), px(7080), px(8895), px(855));
    m_label2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_label2->setTabChangesFocus(true);
    QPalette helpPalette = m_label2->palette();
    helpPalette.setColor(QPalette::Base, QColor(255, 255, 192));
    helpPalette.setColor(QPalette::Text, Qt::black);
    m_label2->setPalette(helpPalette);

    m_statusBar = new QStatusBar(client);
    m_statusBar->setObjectName(QStringLiteral("sbStatusBar"));
    m_statusBar->setGeometry(0, px(7950), px(9135), px(270));
    m_statusBar->setSizeGripEnabled(false);
    // Regular, 8.25 point, in the UI's own sans-serif family.
    QFont statusFont = QApplication::font();
    statusFont.setPointSizeF(8.25);
    statusFont.setBold(false);
    statusFont.setItalic(false);
    m_statusBar->setFont(statusFont);
    m_statusBar->showMessage(QStringLiteral("Line 1 of 2"));

    m_convBox = new TextBuffer(QStringLiteral("ConvBox"), this);

    setTabOrder(m_list1, m_label2);
    setTabOrder(m_label2, m_text1);
}

void frmMain::createMenus()
{
    for (const Menu &menu : Menus) {
        QMenu *qmenu = menuBar()->addMenu(QString::fromLatin1(menu.caption));
        qmenu->setObjectName(QLatin1String(menu.name));
        qmenu->menuAction()->setObjectName(QLatin1String(menu.name));
        for (const MenuItem &item : menu.items) {
            QAction *action = nullptr;
            if (qstrcmp(item.caption, "-") == 0) {
                action = qmenu->addSeparator();
            } else {
                action = qmenu->addAction(QString::fromLatin1(item.caption));
                if (item.shortcut)
                    action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                // Shortcuts work wherever the focus is inside the window.
                action->setShortcutContext(Qt::WindowShortcut);
                const Command command = item.command;
                connect(action, &QAction::triggered, this, [this, command] { command(*this); });
            }
            action->setObjectName(QLatin1String(item.name));
            addAction(action);
        }
    }
}

void frmMain::createToolBar()
{
    for (const ToolButton &button : ToolButtons) {
        if (!button.key) {
            m_toolBar->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(button.key);
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(button.themeIcon),
                                            QIcon(QString::fromLatin1(button.resource)));
        QAction *action = m_toolBar->addAction(icon, key);
        action->setObjectName(QStringLiteral("tb") + key);
        action->setData(key);
        action->setToolTip(key);
        // Buttons of 345 x 330 twips, whatever size the style would choose.
        if (QWidget *widget = m_toolBar->widgetForAction(action))
            widget->setFixedSize(px(345), px(330));
    }
    connect(m_toolBar, &QToolBar::actionTriggered, this,
            [this](QAction *action) { tbToolBar_ButtonClick(action->data().toString()); });
}

void frmMain::setInitialContent()
{
    // One bold Courier New paragraph naming the project, closed by a line break.
    QTextCursor cursor(m_text1->document());
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Courier New")});
    format.setFontStyleHint(QFont::TypeWriter);
    format.setFontPointSize(10);
    format.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("--My Project Name.lua"), format);
    cursor.insertBlock();
    m_text1->document()->clearUndoRedoStacks();
    m_text1->moveCursor(QTextCursor::Start);
}

void frmMain::fillCatalogue()
{
    for (const Catalogue::Entry &entry : Catalogue::entries())
        m_list1->addItem(QString::fromLatin1(entry.listText));
    const auto initial = m_list1->findItems(QStringLiteral("closedb()"), Qt::MatchExactly);
    if (!initial.isEmpty())
        m_list1->setCurrentItem(initial.first());
}

void frmMain::List1_Click()
{
    const QListWidgetItem *item = m_list1->currentItem();
    if (!item)
        return;
    const QString help = Catalogue::helpFor(item->text());
    if (!help.isNull())
        m_label2->setPlainText(help);
}

void frmMain::List1_DblClick()
{
    if (const QListWidgetItem *item = m_list1->currentItem())
        CodeInsertion::insertCatalogueEntry(*this, item->text());
}

void frmMain::loadCommandLineFile()
{
    QString path = m_program.commandLine();
    if (path.isEmpty())
        return;
    path.remove(u'"');
    // Blanks only: the path may well hold other white space of its own.
    qsizetype begin = 0, end = path.size();
    while (begin < end && path[begin] == u' ')
        ++begin;
    while (end > begin && path[end - 1] == u' ')
        --end;
    path = path.sliced(begin, end - begin);
    // A file that cannot be read keeps its name, so Save creates it; one that
    // was read and refused must never be overwritten by the editor's text.
    if (loadFile(m_text1, path) != LoadResult::Refused)
        m_program.CurrentFileName = path;
}

QString frmMain::documentText() const
{
    return m_text1->plainTextCrLf();
}

bool frmMain::LoadText(EditorTextEdit *Lst, const QString &file)
{
    return loadFile(Lst, file) == LoadResult::Loaded;
}

frmMain::LoadResult frmMain::loadFile(EditorTextEdit *Lst, const QString &file)
{
    const TextFile::ReadResult read = TextFile::readFile(file);
    if (!read.ok()) {
        // A missing or unreadable file is "not found"; content the editor
        // cannot show is named as such, so the user knows why.
        const QFileInfo info(file);
        const bool unreadable = read.notFound || info.isDir() || !info.isReadable();
        host().messageBox(unreadable ? QStringLiteral("File Not Found") : read.error,
                          HostServices::Buttons::Ok, HostServices::Icon::None,
                          QStringLiteral("Error"));
        return unreadable ? LoadResult::Unreadable : LoadResult::Refused;
    }
    Lst->setPlainTextAnyBreaks(read.text);
    return LoadResult::Loaded;
}

bool frmMain::SaveText(const TextBuffer &Lst, const QString &file)
{
    const TextFile::EncodeResult encoded = TextFile::encode(Lst.text());
    if (!encoded.ok()) {
        host().messageBox(encoded.error, HostServices::Buttons::Ok, HostServices::Icon::None,
                          QStringLiteral("Error"));
        return false;
    }
    if (!TextFile::writeFile(file, encoded.bytes)) {
        host().messageBox(QStringLiteral("There has been a error!"), HostServices::Buttons::Ok,
                          HostServices::Icon::None, QStringLiteral("Error"));
        return false;
    }
    return true;
}

void frmMain::newDocument()
{
    const auto answer =
        host().messageBox(QStringLiteral("Do you wish to save the current project?"),
                          HostServices::Buttons::YesNoCancel);
    if (answer == HostServices::Answer::Cancel)
        return;
    // A save that was refused or failed keeps the text: the user can put it
    // right and save again.
    if (answer == HostServices::Answer::Yes && saveAs() == SaveResult::Failed)
        return;
    const QString name =
        host().inputBox(QStringLiteral("New project name:"), QStringLiteral("Scrivlet Editor"));
    // A new project has no file yet: the next Save asks where it goes
    // instead of overwriting the file of the previous project.
    m_program.CurrentFileName.clear();
    m_text1->setPlainTextAnyBreaks(QStringLiteral("-- ") + name + QStringLiteral(".lua"));
    text1_Change();
}

void frmMain::openDocument()
{
    // Opening replaces the text, so it asks first, as New does. Yes saves to
    // the project's own file; a save that did not happen stops the Open.
    const auto answer =
        host().messageBox(QStringLiteral("Do you wish to save the current project?"),
                          HostServices::Buttons::YesNoCancel);
    if (answer == HostServices::Answer::Cancel)
        return;
    if (answer == HostServices::Answer::Yes && save() != SaveResult::Saved)
        return;
    const QString path = host().showOpen(QStringLiteral("Open"), LuaFilter);
    if (path.isEmpty())
        return;
    // The text is replaced only once the file has been read, so a file that
    // cannot be opened costs the user nothing.
    if (!LoadText(m_text1, path))
        return;
    m_program.CurrentFileName = path;
    text1_Change();
}

frmMain::SaveResult frmMain::save()
{
    if (m_program.CurrentFileName.isEmpty())
        return saveAs();
    m_convBox->setText(documentText());
    return SaveText(*m_convBox, m_program.CurrentFileName) ? SaveResult::Saved : SaveResult::Failed;
}

frmMain::SaveResult frmMain::saveAs()
{
    const QString path = host().showSave(QStringLiteral("Save"), LuaFilter);
    if (path.isEmpty())
        return SaveResult::Cancelled;
    m_program.CurrentFileName = path;
    m_convBox->setText(documentText());
    return SaveText(*m_convBox, path) ? SaveResult::Saved : SaveResult::Failed;
}

void frmMain::cut()
{
    host().clipboardClear();
    host().clipboardSetText(m_text1->selectedPlainText());
    m_text1->textCursor().removeSelectedText();
}

void frmMain::copy()
{
    host().clipboardClear();
    host().clipboardSetText(m_text1->selectedPlainText());
}

void frmMain::paste()
{
    m_text1->replaceSelection(host().clipboardText());
}

void frmMain::print()
{
    Output::printDocument(*this);
}

void frmMain::exportPalmDoc()
{
    Output::exportPalmDoc(*this);
}

void frmMain::exportText()
{
    Output::exportText(*this);
}

void frmMain::tbToolBar_ButtonClick(const QString &key)
{
    // A failing command started from the toolbar ends quietly; the user sees
    // only the messages the command shows itself.
    try {
        if (key == u"New")
            newDocument();
        else if (key == u"Open")
            openDocument();
        else if (key == u"Save")
            save();
        else if (key == u"Cut")
            cut();
        else if (key == u"Copy")
            copy();
        else if (key == u"Paste")
            paste();
        else if (key == u"Print")
            print();
    } catch (const std::exception &) {
    }
}

void frmMain::text1_Change()
{
    showLineStatus();
}

void frmMain::showLineStatus()
{
    // The document keeps its lines as blocks: the count and the caret's
    // block number cost the same for ten lines as for a hundred thousand.
    const int lines = m_text1->document()->blockCount();
    const int caretLine = m_text1->textCursor().blockNumber() + 1;
    m_statusBar->showMessage(lineStatusText(caretLine, lines));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // A second close while the question is open waits for its answer.
    if (m_askingToClose) {
        event->ignore();
        return;
    }
    m_askingToClose = true;
    const auto answer =
        host().messageBox(QStringLiteral("Do you wish to save the current PLua project?"),
                          HostServices::Buttons::YesNo);
    // The question dismissed without an answer, or a save that failed: the
    // window stays, with the text, rather than throwing the work away.
    const bool keep = answer == HostServices::Answer::Cancel ||
                      (answer == HostServices::Answer::Yes && save() == SaveResult::Failed);
    m_askingToClose = false;
    if (keep) {
        event->ignore();
        return;
    }
    m_closing = true;
    // Exports still converting end while the window can still report them.
    PalmDocConverter::of(host()).waitForAll(this);

    // Every other window goes, the most recently opened first.
    const auto windows = host().loadedWindows();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        QWidget *window = *it;
        if (window != this && !window->close()) {
            window->hide();
            window->deleteLater();
        }
    }
    if (!isMinimized())
        saveWindowPlacement();
    event->accept();
}

void frmMain::saveWindowPlacement()
{
    const QRect frame = frameGeometry();
    const QString section = QStringLiteral("Settings");
    host().saveSetting(section, QStringLiteral("MainLeft"), QString::number(frame.x() * 15));
    host().saveSetting(section, QStringLiteral("MainTop"), QString::number(frame.y() * 15));
    host().saveSetting(section, QStringLiteral("MainWidth"), QString::number(frame.width() * 15));
    host().saveSetting(section, QStringLiteral("MainHeight"), QString::number(frame.height() * 15));
}
