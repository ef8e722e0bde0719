// Palm database files (.pdb, .prc) in and out of the simulated storage,
// through the Palm database container of the palmdoc library.
#include "palmdatabases.h"
#include "palmdocdatabase.h"
#include "textfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <stdexcept>

namespace {

// A record database holds at most 65535 records of at most 64 KB.
constexpr qint64 MaxFileBytes = qint64{64} * 1024 * 1024;

QString fromTag(const std::array<std::uint8_t, 4> &tag)
{
    return TextFile::fromWindows1252(
        QByteArrayView(reinterpret_cast<const char *>(tag.data()), qsizetype(tag.size())));
}

// A creator or type of exactly four bytes, or the reason there is none.
std::optional<std::array<std::uint8_t, 4>> toTag(const QString &text, const char *what,
                                                 QString *error)
{
    const QByteArray bytes = TextFile::toWindows1252(text);
    if (bytes.size() != 4) {
        *error =
            QStringLiteral("its %1 \"%2\" is not four characters").arg(QLatin1String(what), text);
        return std::nullopt;
    }
    std::array<std::uint8_t, 4> tag{};
    std::copy(bytes.begin(), bytes.end(), tag.begin());
    return tag;
}

} // namespace

std::optional<PalmDatabases::Database> PalmDatabases::fromFile(const QByteArray &bytes,
                                                               QString *error)
{
    const palmdoc::ParsedRecordDatabase parsed = palmdoc::readRecordDatabase(
        std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                  static_cast<std::size_t>(bytes.size())));
    if (!parsed.error.empty()) {
        *error = QString::fromStdString(parsed.error);
        return std::nullopt;
    }
    const palmdoc::DatabaseHeader &header = parsed.database.header;
    Database db;
    db.name = TextFile::fromWindows1252(
        QByteArrayView(header.name.data(), qsizetype(header.name.size())));
    db.creator = fromTag(header.creator);
    db.type = fromTag(header.type);
    db.file = FileHeader{header.attributes,       header.version,    header.creationDate,
                         header.modificationDate, header.backupDate, header.modificationNumber,
                         header.uniqueIdSeed};
    for (const palmdoc::RecordDatabase::Record &record : parsed.database.records) {
        db.records.append(QByteArray(reinterpret_cast<const char *>(record.bytes.data()),
                                     qsizetype(record.bytes.size())));
        db.recordInfo.append({record.attributes, record.uniqueId});
    }
    return db;
}

std::optional<QByteArray> PalmDatabases::toFile(const Database &database, quint32 palmTime,
                                                QString *error)
{
    palmdoc::RecordDatabase out;
    palmdoc::DatabaseHeader &header = out.header;
    header.name = TextFile::toWindows1252(database.name).toStdString();
    if (header.name.empty() || header.name.size() > palmdoc::MaxNameLength) {
        *error =
            QStringLiteral("its name \"%1\" does not have 1 to 31 characters").arg(database.name);
        return std::nullopt;
    }
    const auto creator = toTag(database.creator, "creator", error);
    const auto type = creator ? toTag(database.type, "type", error) : std::nullopt;
    if (!type)
        return std::nullopt;
    header.creator = *creator;
    header.type = *type;
    if (const std::optional<FileHeader> &file = database.file) {
        header.attributes = file->attributes;
        header.version = file->version;
        header.creationDate = file->created;
        header.modificationDate = file->modified;
        header.backupDate = file->backedUp;
        header.modificationNumber = file->modificationNumber;
        header.uniqueIdSeed = file->uniqueIdSeed;
    } else {
        // Never on a handheld: dated now, unique ids 1, 2, 3, ...
        header.creationDate = palmTime;
        header.modificationDate = palmTime;
        header.uniqueIdSeed = static_cast<quint32>(database.records.size());
    }
    for (qsizetype r = 0; r < database.records.size(); ++r) {
        const QByteArray &bytes = database.records[r];
        palmdoc::RecordDatabase::Record record;
        if (database.file) {
            record.attributes = database.recordInfo[r].attributes;
            record.uniqueId = database.recordInfo[r].uniqueId;
        } else {
            record.uniqueId = static_cast<std::uint32_t>(r + 1);
        }
        record.bytes.assign(bytes.begin(), bytes.end());
        out.records.push_back(std::move(record));
    }
    try {
        const std::vector<std::uint8_t> bytes = palmdoc::writeRecordDatabase(out);
        return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
    } catch (const std::invalid_argument &e) {
        *error = QString::fromStdString(e.what()).remove(QStringLiteral("palmdoc: "));
        return std::nullopt;
    }
}

std::optional<PalmDatabases::Database> PalmDatabases::readPalmFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    // A FIFO or device would block or never end.
    if (!info.isFile()) {
        fail(QStringLiteral("cannot import %1: %2")
                 .arg(shown, info.exists() ? QStringLiteral("not a regular file")
                                           : QStringLiteral("no such file")));
        return std::nullopt;
    }
    if (info.size() > MaxFileBytes) {
        fail(QStringLiteral("cannot import %1: larger than 64 MB").arg(shown));
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot import %1: %2").arg(shown, file.errorString()));
        return std::nullopt;
    }
    QString error;
    std::optional<Database> db = fromFile(file.read(MaxFileBytes), &error);
    if (!db)
        fail(QStringLiteral("cannot import %1: %2").arg(shown, error));
    return db;
}

bool PalmDatabases::importDatabase(const Database &database)
{
    for (const Open &open : std::as_const(m_open)) {
        if (open.db.name == database.name)
            return fail(QStringLiteral("cannot import \"%1\": it is open").arg(database.name));
    }
    Open imported;
    imported.db = database;
    return save(imported);
}

bool PalmDatabases::exportFile(const QString &name, const QString &path)
{
    const QString source = filePath(name);
    if (!QFileInfo::exists(source))
        return fail(QStringLiteral("cannot export \"%1\": database not found").arg(name));
    const std::optional<Database> db = load(source);
    if (!db)
        return false;
    // A database that never came from a file is dated by its text file.
    const QDateTime changed = QFileInfo(source).lastModified();
    const auto palmTime = static_cast<quint32>(changed.toSecsSinceEpoch() +
                                               changed.offsetFromUtc() + palmdoc::PalmEpochOffset);
    QString error;
    const std::optional<QByteArray> bytes = toFile(*db, palmTime, &error);
    if (!bytes)
        return fail(QStringLiteral("cannot export \"%1\": %2").arg(name, error));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) < 0 || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    return true;
}
