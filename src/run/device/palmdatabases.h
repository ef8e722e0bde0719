#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

// The handheld's record databases, kept as one text file per database in a
// folder, so the user can read them: a header (name, creator, type) and
// one line per record, bytes outside printable ASCII written as \xHH.
// Handles are small numbers; a handle has at most one open record, which
// reads and writes act on.
class PalmDatabases
{
public:
    explicit PalmDatabases(const QString &folder = QString());
    ~PalmDatabases(); // writes back what is still unsaved
    PalmDatabases(const PalmDatabases &) = delete;
    PalmDatabases &operator=(const PalmDatabases &) = delete;

    void setFolder(const QString &folder);
    QString folder() const { return m_folder; }
    // The file a database with this name is kept in.
    QString filePath(const QString &name) const;

    // Names of databases matching creator and type (empty matches all).
    QStringList list(const QString &creator, const QString &type) const;
    // "r": read only; "r+": read and write; "w": read and write, created
    // when missing. Returns a handle, or nothing with errorString() set.
    std::optional<int> open(const QString &name, const QString &mode,
                            const QString &creator = QStringLiteral("PLua"),
                            const QString &type = QStringLiteral("DATA"));
    bool close(int handle);
    bool isOpen(int handle) const;
    int recordCount(int handle) const;
    std::optional<int> openRecord(int handle, int index);  // its size
    std::optional<int> createRecord(int handle, int size); // its index
    bool deleteRecord(int handle, int index);
    bool closeRecord(int handle);
    bool resizeRecord(int handle, int index, int size);
    // Reads and writes at the open record's position.
    std::optional<QByteArray> read(int handle, int count);
    std::optional<QByteArray> readLine(int handle);
    std::optional<QByteArray> readAll(int handle);
    bool write(int handle, const QByteArray &bytes);
    QString errorString() const { return m_error; }

    // The text form of a database and back (exposed for tests).
    struct Database
    {
        QString name;
        QString creator;
        QString type;
        QList<QByteArray> records;
    };
    static QByteArray toText(const Database &database);
    static std::optional<Database> fromText(const QByteArray &text, QString *error);

private:
    struct Open
    {
        Database db;
        bool writable = false;
        bool dirty = false;
        int record = -1;
        int position = 0;
    };
    Open *handleData(int handle);
    const Open *handleData(int handle) const;
    Open *recordHandle(int handle);
    bool save(Open &open);
    bool fail(const QString &message);

    QString m_folder;
    QMap<int, Open> m_open;
    int m_nextHandle = 1;
    mutable QString m_error;
};
