#include "databasesview.h"

#include "palmdatabases.h"
#include "platform/hostservices.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// Bytes as the handheld shows them (Windows-1252); control bytes as dots.
QString recordText(const QByteArray &bytes)
{
    QByteArray shown = bytes;
    for (char &c : shown) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F)
            c = '.';
    }
    return TextFile::fromWindows1252(shown);
}

QString recordHex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

} // namespace

DatabasesView::DatabasesView(HostServices &host, const QString &folder, QWidget *parent)
    : QWidget(parent, Qt::Window), m_host(host), m_folder(folder), m_list(new QListWidget(this)),
      m_header(new QLabel(this)), m_records(new QTableWidget(this)),
      m_delete(new QPushButton(tr("&Delete Database..."), this)), m_note(new QLabel(this)),
      m_refreshTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("databasesView"));
    setWindowTitle(tr("Handheld Databases"));
    m_list->setObjectName(QStringLiteral("databasesList"));
    m_list->setAccessibleName(tr("Databases"));
    m_header->setObjectName(QStringLiteral("databasesHeader"));
    m_header->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_records->setObjectName(QStringLiteral("databasesRecords"));
    m_records->setAccessibleName(tr("Records"));
    m_records->setColumnCount(2);
    m_records->setHorizontalHeaderLabels({tr("Text"), tr("Hex")});
    m_records->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_records->setWordWrap(false);
    // Tab leaves the table for the buttons.
    m_records->setTabKeyNavigation(false);
    m_records->horizontalHeader()->setStretchLastSection(true);
    m_delete->setObjectName(QStringLiteral("databasesDelete"));
    m_note->setObjectName(QStringLiteral("databasesNote"));
    m_note->setText(tr("Stop the program to delete a database."));
    m_note->setVisible(false);
    auto *refreshButton = new QPushButton(tr("&Refresh"), this);
    refreshButton->setObjectName(QStringLiteral("databasesRefresh"));

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_header);
    rightLayout->addWidget(m_records, 1);
    auto *split = new QSplitter(this);
    split->addWidget(m_list);
    split->addWidget(right);
    split->setStretchFactor(1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_note, 1);
    buttons->addWidget(refreshButton);
    buttons->addWidget(m_delete);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(640, 360);

    // Writes of a running program come in bursts: one read after them.
    m_refreshTimer->setSingleShot(true);
    m_refreshTimer->setInterval(200);
    // The folder is made by the first database a program writes.
    auto *watcher = new QFileSystemWatcher(this);
    const auto watchAndRefresh = [this, watcher] {
        if (watcher->directories().isEmpty() && QFileInfo(m_folder).isDir())
            watcher->addPath(m_folder);
        refresh();
    };
    connect(watcher, &QFileSystemWatcher::directoryChanged, m_refreshTimer,
            qOverload<>(&QTimer::start));
    connect(m_refreshTimer, &QTimer::timeout, this, watchAndRefresh);
    connect(refreshButton, &QPushButton::clicked, this, watchAndRefresh);
    connect(m_list, &QListWidget::currentRowChanged, this, &DatabasesView::showSelected);
    connect(m_delete, &QPushButton::clicked, this, &DatabasesView::deleteSelected);
    watchAndRefresh();
}

void DatabasesView::setProgramRunning(bool running)
{
    m_running = running;
    m_note->setVisible(running);
    refresh();
}

void DatabasesView::refresh()
{
    const QString selected =
        m_list->currentItem() ? m_list->currentItem()->data(Qt::UserRole).toString() : QString();
    m_list->clear();
    const QFileInfoList files = QDir(m_folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files,
                                                             QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        QString error;
        std::optional<PalmDatabases::Database> db;
        if (file.open(QIODevice::ReadOnly))
            db = PalmDatabases::fromText(file.readAll(), &error);
        else
            error = file.errorString();
        // A file that is no database is listed too: it is in the folder.
        auto *item = new QListWidgetItem(
            db ? db->name : tr("%1 (cannot be read: %2)").arg(info.fileName(), error), m_list);
        item->setData(Qt::UserRole, info.filePath());
        if (info.filePath() == selected)
            m_list->setCurrentItem(item);
    }
    if (!m_list->currentItem() && m_list->count() > 0)
        m_list->setCurrentRow(0);
    showSelected();
}

void DatabasesView::showSelected()
{
    m_records->setRowCount(0);
    QListWidgetItem *item = m_list->currentItem();
    m_delete->setEnabled(item && !m_running);
    if (!item) {
        m_header->setText(tr("No databases in %1").arg(QDir::toNativeSeparators(m_folder)));
        return;
    }
    QFile file(item->data(Qt::UserRole).toString());
    std::optional<PalmDatabases::Database> db;
    QString error;
    if (file.open(QIODevice::ReadOnly))
        db = PalmDatabases::fromText(file.readAll(), &error);
    else
        error = file.errorString();
    if (!db) {
        m_header->setText(tr("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), error));
        return;
    }
    m_header->setText(tr("Creator %1, type %2, %n record(s)", nullptr, int(db->records.size()))
                          .arg(db->creator, db->type));
    m_records->setRowCount(int(db->records.size()));
    QStringList rows;
    for (int r = 0; r < db->records.size(); ++r) {
        const QByteArray &bytes = db->records[r];
        const QByteArray shown = bytes.left(ShownBytes);
        const QString more =
            bytes.size() > ShownBytes ? tr(" ... (%1 bytes)").arg(bytes.size()) : QString();
        m_records->setItem(r, 0, new QTableWidgetItem(recordText(shown) + more));
        m_records->setItem(r, 1, new QTableWidgetItem(recordHex(shown) + more));
        rows.append(QString::number(r));
    }
    // Records are numbered from 0, as the program's functions number them.
    m_records->setVerticalHeaderLabels(rows);
    m_records->resizeColumnToContents(0);
}

bool DatabasesView::deleteSelected()
{
    QListWidgetItem *item = m_list->currentItem();
    if (!item || m_running)
        return false;
    const QString path = item->data(Qt::UserRole).toString();
    const QString name = item->text();
    if (m_host.messageBox(tr("Delete the database \"%1\" from the handheld's storage? This "
                             "cannot be undone.")
                              .arg(name),
                          HostServices::Buttons::YesNo, HostServices::Icon::None,
                          tr("Delete Database")) != HostServices::Answer::Yes)
        return false;
    // A run may have started while the question was open.
    if (m_running)
        return false;
    QFile file(path);
    const bool removed = file.remove();
    if (!removed)
        m_host.messageBox(
            tr("The database \"%1\" could not be deleted: %2").arg(name, file.errorString()),
            HostServices::Buttons::Ok, HostServices::Icon::Error);
    refresh();
    return removed;
}
