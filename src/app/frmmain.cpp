#include "frmmain.h"

#include "accessibility.h"
#include "editorconveniences.h"
#include "document/editortextedit.h"
#include "document/textbuffer.h"
#include "document/textmirror.h"
#include "platform/hostservices.h"
#include "platform/menumerge.h"
#include "linestatus.h"
#include "session/programstate.h"
#include "document/projectdocument.h"
#include "platform/twips.h"
#include "catalogue.h"
#include "lang/editorcolours.h"
#include "lang/pluadiagnostics.h"
#include "lang/pluasupport.h"
#include "runwindow/runcommand.h"
#include "lang/codeinsertion.h"
#include "maincommands.h"
#include "mainwindowclosing.h"
#include "output/palmdocconverter.h"
#include "recoverycopy.h"
#include "unsavedtext.h"
#include "version.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>

using Twips::px;

frmMain::frmMain(ProgramState &program, QWidget *parent) : QMainWindow(parent), m_program(program)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Scrivlet IDE ") + QLatin1String(VersionLabel));
    setWindowIcon(QIcon(QStringLiteral(":/icons/scrivlet.svg")));
    // A fixed frame: minimise and close, no maximise, no sizing border.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    // Smaller than the desktop's only where the screen is too small for the
    // design at the desktop's font.
    setFont(Twips::windowFont());
    Accessibility::install();
    createControls();
    createMenus();
    createToolBar();
    setInitialContent();
    PluaSupport *pluaSupport = attachPluaSupport(m_editor, m_lineStatusBar);
    // The check reads the plain copy kept for saving: two block copies
    // instead of a walk over the document on the editor's thread.
    pluaSupport->diagnostics()->setTextSource(
        [editor = m_editor] { return editor->textMirror().text(); });
    new EditorConveniences(*this);
    attachRunCommand(this, m_editor, host(), [this] { return m_document->fileName(); });

    // Exports convert on after their command has returned; their failures
    // are shown here, where the user works.
    connect(&m_program.converter(), &PalmDocConverter::conversionFailed, this,
            [this](const QString &message) {
                host().messageBox(message, HostServices::Buttons::Ok, HostServices::Icon::Error);
            });

    const int menuHeight = menuBar()->sizeHint().height();
    const QSize client(px(9135), px(8220));
    setFixedSize(client.width(), client.height() + menuHeight);
    // The client area below the menu bar starts 45 twips from the screen's
    // left and 1080 twips from its top.
    move(px(45), std::max(0, px(1080) - menuHeight));

    // Load: the catalogue first, then a file named on the command line.
    fillCatalogue();
    m_document->openCommandLineFile(m_program.commandLine());

    m_lineStatusTimer = new QTimer(this);
    m_lineStatusTimer->setObjectName(QStringLiteral("Timer1"));
    m_lineStatusTimer->setInterval(100);
    connect(m_lineStatusTimer, &QTimer::timeout, this, &frmMain::showLineStatus);
    m_lineStatusTimer->start();
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

    m_catalogueLabel = new QLabel(QStringLiteral("(P)Lua functions:"), client);
    m_catalogueLabel->setObjectName(QStringLiteral("Label1"));
    m_catalogueLabel->setGeometry(px(7080), px(480), px(1575), px(255));

    m_editor = new EditorTextEdit(client);
    m_editor->setObjectName(QStringLiteral("text1"));
    m_editor->setAccessibleName(QStringLiteral("Program text"));
    m_editor->setGeometry(px(120), px(600), px(6855), px(6375));
    QFont editorFont(QStringLiteral("Courier New"));
    editorFont.setStyleHint(QFont::TypeWriter);
    editorFont.setPointSizeF(9.75);
    editorFont.setBold(true);
    m_editor->setFont(editorFont);
    m_editor->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab stops every half inch: a length on paper, whatever the UI font.
    m_editor->setTabStopDistance(96.0 / 2);
    connect(m_editor, &QPlainTextEdit::textChanged, this, &frmMain::showLineStatus);
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, &frmMain::showLineStatus);

    m_catalogueList = new QListWidget(client);
    m_catalogueList->setObjectName(QStringLiteral("List1"));
    m_catalogueList->setGeometry(px(7080), px(840), px(1935), px(6105));
    m_catalogueList->setSortingEnabled(true);
    // Read as its label says, and tied to it.
    m_catalogueList->setAccessibleName(QStringLiteral("(P)Lua functions"));
    m_catalogueLabel->setBuddy(m_catalogueList);
    m_catalogueList->setToolTip(
        QStringLiteral("Double-Click on a function to insert it into your project"));
    connect(m_catalogueList, &QListWidget::currentItemChanged, this, &frmMain::showCatalogueHelp);
    connect(m_catalogueList, &QListWidget::itemDoubleClicked, this, &frmMain::insertCatalogueCall);

    m_helpPane = new QPlainTextEdit(TextBuffer::InitialText.toString(), client);
    m_helpPane->setObjectName(QStringLiteral("label2"));
    m_helpPane->setGeometry(px(120), px(7080), px(8895), px(855));
    m_helpPane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_helpPane->setTabChangesFocus(true);
    m_helpPane->setAccessibleName(QStringLiteral("Function help"));
    // Shows the catalogue's text: read and selected, never typed into.
    m_helpPane->setReadOnly(true);
    m_helpPane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    applyHelpColours();

    m_lineStatusBar = new QStatusBar(client);
    m_lineStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    m_lineStatusBar->setGeometry(0, px(7950), px(9135), px(270));
    m_lineStatusBar->setSizeGripEnabled(false);
    // Regular, 8.25 point, in the UI's own sans-serif family; smaller with
    // the window's font where the screen is too small.
    QFont statusFont = font();
    const qreal desktopPoints = QApplication::font().pointSizeF();
    statusFont.setPointSizeF(desktopPoints > 0 ? 8.25 * font().pointSizeF() / desktopPoints : 8.25);
    statusFont.setBold(false);
    statusFont.setItalic(false);
    m_lineStatusBar->setFont(statusFont);
    m_lineStatusBar->showMessage(QStringLiteral("Line 1 of 2"));

    m_document = new ProjectDocument(host(), *m_editor, this);
    m_unsavedText =
        new UnsavedTextKeeper(*m_document, RecoveryCopy::folderIn(host().stateDirectory()), this);

    setTabOrder(m_catalogueList, m_helpPane);
    setTabOrder(m_helpPane, m_editor);
}

void frmMain::createMenus()
{
    // Where the conveniences, Run and the debugger add their commands.
    QStringList barPlaces;
    for (const MainCommands::MergePlace &place : MainCommands::mergePlaces())
        if (!place.menu)
            barPlaces.append(QLatin1String(place.name));
    auto *merge = new MenuMerge(*this, barPlaces);
    for (const MainCommands::Menu &menu : MainCommands::menus()) {
        QMenu *qmenu = menuBar()->addMenu(QString::fromLatin1(menu.caption));
        qmenu->setObjectName(QLatin1String(menu.name));
        qmenu->menuAction()->setObjectName(QLatin1String(menu.name));
        for (const MainCommands::MergePlace &place : MainCommands::mergePlaces())
            if (place.menu && qstrcmp(place.menu, menu.name) == 0)
                merge->addMenuPlace(QLatin1String(place.name), qmenu);
        for (const MainCommands::MenuItem &item : menu.items) {
            QAction *action = nullptr;
            if (qstrcmp(item.caption, "-") == 0) {
                action = qmenu->addSeparator();
            } else {
                action = qmenu->addAction(QString::fromLatin1(item.caption));
                if (item.shortcut)
                    action->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
                // Shortcuts work wherever the focus is inside the window.
                action->setShortcutContext(Qt::WindowShortcut);
                const MainCommands::Command command = item.command;
                connect(action, &QAction::triggered, this, [this, command] { command(*this); });
            }
            action->setObjectName(QLatin1String(item.name));
            addAction(action);
        }
    }
}

void frmMain::createToolBar()
{
    for (const MainCommands::ToolButton &button : MainCommands::toolButtons()) {
        if (!button.key) {
            m_toolBar->addSeparator();
            continue;
        }
        // One action per command: the button and the menu item are the same
        // QAction, so they cannot disagree about what the command does.
        QAction *action = findChild<QAction *>(QLatin1String(button.command));
        Q_ASSERT(action);
        const QString key = QString::fromLatin1(button.key);
        action->setIcon(QIcon::fromTheme(QString::fromLatin1(button.themeIcon),
                                         QIcon(QString::fromLatin1(button.resource))));
        action->setIconVisibleInMenu(false);
        action->setData(key);
        action->setToolTip(key);
        m_toolBar->addAction(action);
        QWidget *widget = m_toolBar->widgetForAction(action);
        widget->setObjectName(QStringLiteral("tb") + key);
        // Buttons of 345 x 330 twips, whatever size the style would choose.
        widget->setFixedSize(px(345), px(330));
    }
}

void frmMain::setInitialContent()
{
    // One bold Courier New paragraph naming the project, closed by a line break.
    QTextCursor cursor(m_editor->document());
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Courier New")});
    format.setFontStyleHint(QFont::TypeWriter);
    format.setFontPointSize(10);
    format.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("--My Project Name.lua"), format);
    cursor.insertBlock();
    m_editor->document()->clearUndoRedoStacks();
    // The starting text is nobody's unsaved work.
    m_editor->document()->setModified(false);
    m_editor->moveCursor(QTextCursor::Start);
}

void frmMain::applyHelpColours()
{
    const EditorColours::Set colours = EditorColours::forPalette(palette());
    QPalette helpPalette = m_helpPane->palette();
    helpPalette.setColor(QPalette::Base, colours.helpBase);
    helpPalette.setColor(QPalette::Text, colours.helpText);
    m_helpPane->setPalette(helpPalette);
}

void frmMain::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange && m_helpPane)
        applyHelpColours();
    QMainWindow::changeEvent(event);
}

void frmMain::fillCatalogue()
{
    for (const Catalogue::Entry &entry : Catalogue::entries())
        m_catalogueList->addItem(QString::fromLatin1(entry.listText));
    const auto initial = m_catalogueList->findItems(QStringLiteral("closedb()"), Qt::MatchExactly);
    if (!initial.isEmpty())
        m_catalogueList->setCurrentItem(initial.first());
}

void frmMain::showCatalogueHelp()
{
    const QListWidgetItem *item = m_catalogueList->currentItem();
    if (!item)
        return;
    const QString help = Catalogue::helpFor(item->text());
    if (!help.isNull())
        m_helpPane->setPlainText(help);
}

void frmMain::insertCatalogueCall()
{
    if (const QListWidgetItem *item = m_catalogueList->currentItem())
        CodeInsertion::insertCatalogueEntry(host(), *m_editor, item->text());
}

void frmMain::runToolbarKey(const QString &key)
{
    for (QAction *action : m_toolBar->actions()) {
        if (!action->isSeparator() && action->data().toString() == key) {
            action->trigger();
            return;
        }
    }
}

void frmMain::showLineStatus()
{
    // The document keeps its lines as blocks: the count and the caret's
    // block number cost the same for ten lines as for a hundred thousand.
    const int lines = m_editor->document()->blockCount();
    const int caretLine = m_editor->textCursor().blockNumber() + 1;
    m_lineStatusBar->showMessage(lineStatusText(caretLine, lines));
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
    const bool mayClose = MainWindowClosing::askToSave(host(), *m_document);
    m_askingToClose = false;
    if (!mayClose) {
        event->ignore();
        return;
    }
    m_closing = true;
    // Saved, or the user chose not to: no copy of the text outlives the editor.
    m_unsavedText->closedProperly();
    MainWindowClosing::closeProgram(m_program, *this);
    event->accept();
}
