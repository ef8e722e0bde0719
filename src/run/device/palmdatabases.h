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
// A database imported from a Palm database file (.pdb) also keeps the rest
// of the file's header and each record's attributes and unique id, so that
// its export gives the same bytes back.
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

    // What a Palm database file's header holds beyond name, creator and type.
    struct FileHeader
    {
        quint16 attributes = 0;
        quint16 version = 0;
        quint32 created = 0; // seconds since 1904-01-01, the handheld's local time
        quint32 modified = 0;
        quint32 backedUp = 0;
        quint32 modificationNumber = 0;
        quint32 uniqueIdSeed = 0;
    };
    struct RecordInfo
    {
        quint8 attributes = 0;
        quint32 uniqueId = 0;
    };
    // The text form of a database and back, and the file form (exposed for
    // tests).
    struct Database
    {
        QString name;
        QString creator;
        QString type;
        QList<QByteArray> records;
        // Set for a database that came from a file; recordInfo then runs
        // beside records.
        std::optional<FileHeader> file;
        QList<RecordInfo> recordInfo;
    };
    static QByteArray toText(const Database &database);
    static std::optional<Database> fromText(const QByteArray &text, QString *error);
    // palmTime dates a database that never came from a file.
    static std::optional<QByteArray> toFile(const Database &database, quint32 palmTime,
                                            QString *error);
    static std::optional<Database> fromFile(const QByteArray &bytes, QString *error);

    // Reads and checks a Palm database file (.pdb, .prc); nothing with
    // errorString() set when it cannot be read or is damaged.
    std::optional<Database> readPalmFile(const QString &path);
    // Stores a database read from a file, replacing a database of the same
    // name, as installing on the handheld does.
    bool importDatabase(const Database &database);
    // Writes a database as a Palm database file the handheld installs.
    bool exportFile(const QString &name, const QString &path);

private:
    struct Open
    {
        Database db;
        bool writable = false;
        bool dirty = false;
        bool changed = false; // since the last save: counts in the file header
        int record = -1;
        int position = 0;
    };
    Open *handleData(int handle);
    const Open *handleData(int handle) const;
    Open *recordHandle(int handle);
    bool save(Open &open);
    void markChanged(Open &open, int record);
    std::optional<Database> load(const QString &path);
    bool fail(const QString &message);

    QString m_folder;
    QMap<int, Open> m_open;
    int m_nextHandle = 1;
    mutable QString m_error;
};
