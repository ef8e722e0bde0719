#include "editorconveniences.h"

#include "filestatepanel.h"
#include "finddialog.h"
#include "frmmain.h"

#include "document/editortextedit.h"
#include "document/gotoline.h"
#include "document/projectdocument.h"
#include "platform/menumerge.h"
#include "lang/codeinsertion.h"
#include "lang/pluacodeassist.h"
#include "lang/pluaoutline.h"
#include "lang/pluasupport.h"
#include "platform/hostservices.h"

#include <algorithm>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolTip>
#include <QUrl>

namespace {

const QString EditorSection = QStringLiteral("Editor");
const QString ZoomKey = QStringLiteral("Zoom");
// About how many letters of a path a Recent Files item shows.
constexpr int RecentCaptionLetters = 60;

// The local file a drag carries, or "" when it carries none.
QString draggedFile(const QMimeData *data)
{
    if (!data || !data->hasUrls() || data->urls().isEmpty())
        return {};
    const QUrl url = data->urls().constFirst();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

} // namespace

EditorConveniences::EditorConveniences(frmMain &window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("conveniences"));
    m_recent = RecentFiles::load(m_window.host());
    const MenuMerge &merge = MenuMerge::of(m_window);
    if (QMenu *edit = merge.menuAt(QStringLiteral("edit")))
        addEditItems(edit);
    if (QMenu *file = merge.menuAt(QStringLiteral("file")))
        addRecentMenu(file);

    // Ctrl+Q leaves as File > Exit does, through the same close question.
    auto *quit = new QAction(QStringLiteral("Quit"), &m_window);
    quit->setObjectName(QStringLiteral("actQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::WindowShortcut);
    connect(quit, &QAction::triggered, &m_window, [this] {
        if (auto *exit = m_window.findChild<QAction *>(QStringLiteral("mnuFileExit")))
            exit->trigger();
    });
    m_window.addAction(quit);

    // F1 shows the catalogue's help on the function at the caret.
    auto *help = new QAction(QStringLiteral("Function Help"), &m_window);
    help->setObjectName(QStringLiteral("actFunctionHelp"));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, &EditorConveniences::showHelpAtCaret);
    m_window.addAction(help);

    // A message too long for the status bar is read whole on hover.
    m_window.lineStatusBar()->installEventFilter(this);
    // The read-only help pane keeps Ctrl+A and Ctrl+C for its own text.
    m_window.helpPane()->installEventFilter(this);

    m_baseFontSize = m_window.editor()->font().pointSizeF();
    setZoom(m_window.host().readSetting(EditorSection, ZoomKey).toInt());

    // Dropped files open instead of their addresses going in as text.
    m_window.setAcceptDrops(true);
    m_window.installEventFilter(this);
    m_window.editor()->viewport()->installEventFilter(this);
    m_window.helpPane()->viewport()->installEventFilter(this);
    // Enter on a function inserts it, as a double click does.
    m_window.catalogueList()->installEventFilter(this);

    connect(&m_window.document(), &ProjectDocument::fileOpened, this,
            &EditorConveniences::remember);
    new FileStatePanel(m_window);
}

QAction *EditorConveniences::addItem(QMenu *menu, const char *name, const QString &caption,
                                     const QList<QKeySequence> &keys)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(action);
    return action;
}

void EditorConveniences::addEditItems(QMenu *edit)
{
    QPlainTextEdit *editor = m_window.editor();
    edit->addSeparator()->setObjectName(QStringLiteral("mnuEditBar1"));
    QAction *undo = addItem(edit, "mnuEditUndo", QStringLiteral("&Undo"), {QKeySequence::Undo});
    connect(undo, &QAction::triggered, editor, &QPlainTextEdit::undo);
    QAction *redo = addItem(
        edit, "mnuEditRedo", QStringLiteral("&Redo"),
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(redo, &QAction::triggered, editor, &QPlainTextEdit::redo);
    undo->setEnabled(editor->document()->isUndoAvailable());
    redo->setEnabled(editor->document()->isRedoAvailable());
    connect(editor, &QPlainTextEdit::undoAvailable, undo, &QAction::setEnabled);
    connect(editor, &QPlainTextEdit::redoAvailable, redo, &QAction::setEnabled);
    QAction *selectAll =
        addItem(edit, "mnuEditSelectAll", QStringLiteral("Select &All"), {QKeySequence::SelectAll});
    connect(selectAll, &QAction::triggered, editor, [editor] {
        editor->setFocus();
        editor->selectAll();
    });

    edit->addSeparator()->setObjectName(QStringLiteral("mnuEditBar2"));
    // Ctrl+F is New Function here, so Find takes Ctrl+Shift+F.
    QAction *find = addItem(edit, "mnuEditFind", QStringLiteral("&Find..."),
                            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)});
    connect(find, &QAction::triggered, this, [this] { findDialog()->showFind(); });
    QAction *next =
        addItem(edit, "mnuEditFindNext", QStringLiteral("Find &Next"), {QKeySequence(Qt::Key_F3)});
    connect(next, &QAction::triggered, this, [this] { findDialog()->findNext(); });
    QAction *previous = addItem(edit, "mnuEditFindPrevious", QStringLiteral("Find Pre&vious"),
                                {QKeySequence(Qt::SHIFT | Qt::Key_F3)});
    connect(previous, &QAction::triggered, this, [this] { findDialog()->findPrevious(); });
    QAction *replace = addItem(edit, "mnuEditReplace", QStringLiteral("R&eplace..."),
                               {QKeySequence(Qt::CTRL | Qt::Key_H)});
    connect(replace, &QAction::triggered, this, [this] { findDialog()->showReplace(); });
    QAction *line = addItem(edit, "mnuEditGoToLine", QStringLiteral("&Go To Line..."),
                            {QKeySequence(Qt::CTRL | Qt::Key_G)});
    connect(line, &QAction::triggered, this, &EditorConveniences::goToLine);
    addOutlineMenu(edit);

    edit->addSeparator()->setObjectName(QStringLiteral("mnuEditBar3"));
    QAction *zoomIn =
        addItem(edit, "mnuEditZoomIn", QStringLiteral("Zoom &In"),
                {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    connect(zoomIn, &QAction::triggered, this, [this] { setZoom(m_zoom + 1); });
    QAction *zoomOut = addItem(edit, "mnuEditZoomOut", QStringLiteral("Zoom &Out"),
                               {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    connect(zoomOut, &QAction::triggered, this, [this] { setZoom(m_zoom - 1); });
    QAction *zoomReset = addItem(edit, "mnuEditZoomReset", QStringLiteral("Reset &Zoom"),
                                 {QKeySequence(Qt::CTRL | Qt::Key_0)});
    connect(zoomReset, &QAction::triggered, this, [this] { setZoom(0); });
}

void EditorConveniences::addOutlineMenu(QMenu *edit)
{
    // The program's functions, read again each time the menu opens; Ctrl+
    // Shift+O opens the same list at the caret.
    m_outlineMenu = edit->addMenu(QStringLiteral("Go To Function&s"));
    m_outlineMenu->setObjectName(QStringLiteral("mnuEditGoToFunction"));
    m_outlineMenu->menuAction()->setObjectName(QStringLiteral("mnuEditGoToFunction"));
    connect(m_outlineMenu, &QMenu::aboutToShow, this, &EditorConveniences::fillOutlineMenu);
    auto *popup = new QAction(QStringLiteral("Outline"), &m_window);
    popup->setObjectName(QStringLiteral("actOutline"));
    popup->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    popup->setShortcutContext(Qt::WindowShortcut);
    connect(popup, &QAction::triggered, this, [this] {
        QPlainTextEdit *editor = m_window.editor();
        m_outlineMenu->popup(editor->viewport()->mapToGlobal(editor->cursorRect().bottomLeft()));
    });
    m_window.addAction(popup);
}

void EditorConveniences::fillOutlineMenu()
{
    m_outlineMenu->clear();
    const QList<PluaOutline::Function> functions =
        PluaOutline::functions(*m_window.editor()->document());
    if (functions.isEmpty()) {
        m_outlineMenu->addAction(QStringLiteral("(No functions)"))->setEnabled(false);
        return;
    }
    for (const PluaOutline::Function &function : functions) {
        QString caption = function.name;
        caption.replace(u'&', QLatin1String("&&"));
        QAction *action =
            m_outlineMenu->addAction(QStringLiteral("%1\tline %2").arg(caption).arg(function.line));
        const int line = function.line;
        connect(action, &QAction::triggered, this, [this, line] {
            GoToLine::moveTo(*m_window.editor(), line);
            m_window.editor()->setFocus();
        });
    }
}

void EditorConveniences::addRecentMenu(QMenu *file)
{
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileBar3"));
    m_recentMenu = file->addMenu(QStringLiteral("Recent &Files"));
    m_recentMenu->setObjectName(QStringLiteral("mnuRecentFiles"));
    m_recentMenu->setToolTipsVisible(true);
    m_recentMenu->menuAction()->setObjectName(QStringLiteral("mnuRecentFiles"));
    // Read again on every opening: another window of the program may have
    // opened files since.
    connect(m_recentMenu, &QMenu::aboutToShow, this, [this] {
        m_recent = RecentFiles::load(m_window.host());
        fillRecentMenu();
    });
    fillRecentMenu();
}

void EditorConveniences::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList &files = m_recent.files();
    for (int i = 0; i < files.size(); ++i) {
        // A long path is shortened in the middle: the menu stays narrow and
        // the file's own name shows; the whole path is the tool tip.
        const QFontMetrics metrics(m_recentMenu->font());
        QString caption = metrics.elidedText(files[i], Qt::ElideMiddle,
                                             RecentCaptionLetters * metrics.averageCharWidth());
        caption.replace(u'&', QLatin1String("&&"));
        QAction *action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(caption));
        action->setObjectName(QStringLiteral("mnuRecentFile%1").arg(i + 1));
        action->setToolTip(files[i]);
        const QString path = files[i];
        // Queued: the menu closes before the save question comes up.
        connect(
            action, &QAction::triggered, this, [this, path] { openRecent(path); },
            Qt::QueuedConnection);
    }
    if (files.isEmpty()) {
        m_recentMenu->addAction(QStringLiteral("(No recent files)"))->setEnabled(false);
        return;
    }
    m_recentMenu->addSeparator();
    QAction *clear = m_recentMenu->addAction(QStringLiteral("&Clear List"));
    clear->setObjectName(QStringLiteral("mnuRecentClear"));
    connect(clear, &QAction::triggered, this, [this] {
        m_recent.clear();
        m_recent.save(m_window.host());
        fillRecentMenu();
    });
}

void EditorConveniences::remember(const QString &path)
{
    m_recent = RecentFiles::load(m_window.host());
    m_recent.add(path);
    m_recent.save(m_window.host());
    fillRecentMenu();
}

void EditorConveniences::openRecent(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        // Say what the name now is, when it is still there.
        const QString what = !info.exists() ? QStringLiteral("The file \"%1\" no longer exists.")
                             : info.isDir() ? QStringLiteral("\"%1\" is now a folder, not a file.")
                                            : QStringLiteral("\"%1\" is no longer a regular file.");
        m_window.host().messageBox(
            what.arg(path) + QStringLiteral(" It has been taken off the list of recent files."),
            HostServices::Buttons::Ok, HostServices::Icon::Error);
        m_recent = RecentFiles::load(m_window.host());
        m_recent.remove(path);
        m_recent.save(m_window.host());
        fillRecentMenu();
        return;
    }
    m_window.document().openFile(path);
}

void EditorConveniences::openDropped(const QString &path)
{
    m_window.activateWindow();
    m_window.document().openFile(path);
}

void EditorConveniences::setZoom(int steps)
{
    m_zoom = std::clamp(steps, MinZoom, MaxZoom);
    QFont font = m_window.editor()->font();
    font.setPointSizeF(m_baseFontSize + m_zoom);
    m_window.editor()->setFont(font);
    if (m_window.host().readSetting(EditorSection, ZoomKey).toInt() != m_zoom)
        m_window.host().saveSetting(EditorSection, ZoomKey, QString::number(m_zoom));
}

FindDialog *EditorConveniences::findDialog()
{
    if (!m_findDialog) {
        m_findDialog = new FindDialog(*m_window.editor(), &m_window);
        // F3 and Shift+F3 work in the find window too.
        for (const char *name : {"mnuEditFindNext", "mnuEditFindPrevious"}) {
            if (auto *action = m_window.findChild<QAction *>(QLatin1String(name)))
                m_findDialog->addAction(action);
        }
    }
    return m_findDialog;
}

void EditorConveniences::goToLine()
{
    const int lines = m_window.editor()->document()->blockCount();
    // A number that is no line is explained and asked for again, until one
    // is or the user cancels.
    int line = 0;
    while (line == 0) {
        const QString typed = m_window.host().inputBox(
            QStringLiteral("Line number (1 to %1):").arg(lines), QStringLiteral("Go To Line"));
        if (typed.trimmed().isEmpty())
            return;
        line = GoToLine::parse(typed, lines);
        if (line == 0) {
            m_window.host().messageBox(
                QStringLiteral("\"%1\" is not a line of this text: lines run from 1 to %2.")
                    .arg(typed.trimmed())
                    .arg(lines),
                HostServices::Buttons::Ok, HostServices::Icon::Error);
        }
    }
    GoToLine::moveTo(*m_window.editor(), line);
    m_window.editor()->setFocus();
}

void EditorConveniences::showHelpAtCaret()
{
    const PluaSupport *support = PluaSupport::of(m_window.editor());
    if (!support)
        return;
    const QString name = support->codeAssist()->nameAt(m_window.editor()->textCursor().position());
    if (name.isEmpty())
        return;
    QListWidget *list = m_window.catalogueList();
    for (int row = 0; row < list->count(); ++row) {
        const QString text = list->item(row)->text();
        if (text.left(text.indexOf(u'(')) == name) {
            list->setCurrentRow(row);
            list->scrollToItem(list->item(row));
            return;
        }
    }
}

bool EditorConveniences::eventFilter(QObject *watched, QEvent *event)
{
    // Read-only, the pane would let Select All take the keys to the editor.
    if (watched == m_window.helpPane() && event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::SelectAll) || key->matches(QKeySequence::Copy)) {
            event->accept();
            return true;
        }
    }
    if (watched == m_window.lineStatusBar() && event->type() == QEvent::ToolTip) {
        const QString message = m_window.lineStatusBar()->currentMessage();
        if (!message.isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), message,
                               m_window.lineStatusBar());
            return true;
        }
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return handleDrop(event);
    case QEvent::KeyPress: {
        const auto *key = static_cast<QKeyEvent *>(event);
        QListWidget *list = m_window.catalogueList();
        if (watched == list && key->modifiers() == Qt::NoModifier &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && list->currentItem()) {
            CodeInsertion::insertCatalogueEntry(m_window.host(), *m_window.editor(),
                                                list->currentItem()->text());
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

bool EditorConveniences::handleDrop(QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    const QString path = draggedFile(drop->mimeData());
    if (path.isEmpty())
        return false; // text and web addresses go in as the editor inserts them
    // A folder or a file that is not there cannot be opened: refused.
    if (!QFileInfo(path).isFile()) {
        drop->ignore();
        return true;
    }
    drop->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        // After the drop has finished: the save question is modal.
        QTimer::singleShot(0, this, [this, path] { openDropped(path); });
    }
    return true;
}
