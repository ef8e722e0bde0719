#pragma once

#include "document/recentfiles.h"

#include <QObject>
#include <QString>

class FindDialog;
class QAction;
class QKeySequence;
class QMenu;
class frmMain;

// What every desktop editor offers beside the window's own commands: Undo,
// Redo and Select All, find and replace, go to line, font zoom, the recently
// opened files, opening a dropped file, Enter in the function list, Ctrl+Q,
// F1 for the help on the function at the caret, the status text on hover,
// and the program's functions to go to (Edit, Go To Function; Ctrl+Shift+O).
// Each comes as a new menu item or key; the window's own menus, captions and
// keys stay as they are.
class EditorConveniences : public QObject
{
    Q_OBJECT

public:
    explicit EditorConveniences(frmMain &window);

    // Zoom steps of one point from the editor's own font size.
    static constexpr int MinZoom = -4;
    static constexpr int MaxZoom = 24;
    int zoom() const { return m_zoom; }
    void setZoom(int steps);

    FindDialog *findDialog();
    void goToLine();

    const RecentFiles &recentFiles() const { return m_recent; }
    // Opens a file of the recent list; a file that is gone is reported and
    // taken off the list.
    void openRecent(const QString &path);
    // Opens a file dropped on the window, as Open would.
    void openDropped(const QString &path);
    // Shows the catalogue's help on the function named at the caret.
    void showHelpAtCaret();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *addItem(QMenu *menu, const char *name, const QString &caption,
                     const QList<QKeySequence> &keys);
    void addEditItems(QMenu *edit);
    void addOutlineMenu(QMenu *edit);
    void fillOutlineMenu();
    void addRecentMenu(QMenu *file);
    void fillRecentMenu();
    void remember(const QString &path);
    bool handleDrop(QEvent *event);

    frmMain &m_window;
    FindDialog *m_findDialog = nullptr;
    QMenu *m_recentMenu = nullptr;
    QMenu *m_outlineMenu = nullptr;
    RecentFiles m_recent;
    qreal m_baseFontSize = 0;
    int m_zoom = 0;
};
