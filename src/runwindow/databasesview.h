#pragma once

#include <QWidget>

class HostServices;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QTimer;

// The handheld's databases in its storage folder: each database with its
// creator and type, each record as text and as hex, and Delete, which asks
// first. While a program runs nothing is deleted: the program may have the
// database open, and its next write would bring it back or work on what is
// no longer there. The list follows the folder as the program writes and is
// read again when the run ends.
class DatabasesView : public QWidget
{
    Q_OBJECT

public:
    DatabasesView(HostServices &host, const QString &folder, QWidget *parent = nullptr);

    // Deleting is refused while a program runs; the end of a run refreshes.
    void setProgramRunning(bool running);
    void refresh();
    // Asks and deletes the selected database; false when nothing was deleted.
    bool deleteSelected();
    // Shown bytes of a record are limited: a record may hold 64 KB.
    static constexpr int ShownBytes = 4096;

private:
    void showSelected();

    HostServices &m_host;
    QString m_folder;
    QListWidget *m_list;
    QLabel *m_header;
    QTableWidget *m_records;
    QPushButton *m_delete;
    QLabel *m_note;
    QTimer *m_refreshTimer;
    bool m_running = false;
};
