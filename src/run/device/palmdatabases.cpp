#include "palmdatabases.h"
#include "palmdocdatabase.h"
#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace {

constexpr quint8 DirtyRecordAttribute = 0x40;

} // namespace

PalmDatabases::PalmDatabases(const QString &folder) : m_folder(folder) {}

PalmDatabases::~PalmDatabases()
{
    for (Open &open : m_open)
        if (open.dirty)
            save(open);
}

void PalmDatabases::setFolder(const QString &folder)
{
    m_folder = folder;
}

QString PalmDatabases::filePath(const QString &name) const
{
    // Database names may hold any character; keep the file name portable.
    QString file;
    for (QChar c : name) {
        const ushort u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
            u == ' ' || u == '_' || u == '-' || (u == '.' && !file.isEmpty()))
            file += c;
        else
            file += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return QDir(m_folder).filePath(file + QStringLiteral(".txt"));
}

QByteArray PalmDatabases::toText(const Database &database)
{
    const auto escape = [](const QByteArray &bytes) {
        QByteArray out;
        for (char ch : bytes) {
            const auto u = static_cast<unsigned char>(ch);
            if (u == '\\')
                out += "\\\\";
            else if (u >= 0x20 && u < 0x7F)
                out += ch;
            else
                out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
        }
        return out;
    };
    QByteArray text = "# Plua record database: one record per line, other bytes as \\xHH\n";
    text += "name: " + escape(TextFile::toWindows1252(database.name)) + '\n';
    text += "creator: " + escape(TextFile::toWindows1252(database.creator)) + '\n';
    text += "type: " + escape(TextFile::toWindows1252(database.type)) + '\n';
    // Only a database that came from a file has these lines, so the files of
    // all others keep their bytes.
    if (const std::optional<FileHeader> &file = database.file) {
        text += "# from a Palm database file: dates in seconds since 1904-01-01\n";
        text += "attributes: 0x" + QByteArray::number(file->attributes, 16).rightJustified(4, '0') +
                '\n';
        text += "version: " + QByteArray::number(file->version) + '\n';
        text += "created: " + QByteArray::number(file->created) + '\n';
        text += "modified: " + QByteArray::number(file->modified) + '\n';
        text += "backed up: " + QByteArray::number(file->backedUp) + '\n';
        text += "modification number: " + QByteArray::number(file->modificationNumber) + '\n';
        text += "unique id seed: " + QByteArray::number(file->uniqueIdSeed) + '\n';
    }
    for (qsizetype r = 0; r < database.records.size(); ++r) {
        if (database.file) {
            const RecordInfo &info = database.recordInfo[r];
            text += "record (attributes 0x" +
                    QByteArray::number(info.attributes, 16).rightJustified(2, '0') +
                    ", unique id " + QByteArray::number(info.uniqueId) + "): ";
        } else {
            text += "record: ";
        }
        text += escape(database.records[r]) + '\n';
    }
    return text;
}

std::optional<PalmDatabases::Database> PalmDatabases::fromText(const QByteArray &text,
                                                               QString *error)
{
    const auto unescape = [](const QByteArray &line, bool *ok) {
        QByteArray out;
        *ok = true;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (line[i] != '\\') {
                out += line[i];
            } else if (i + 1 < line.size() && line[i + 1] == '\\') {
                out += '\\';
                ++i;
            } else if (i + 3 < line.size() && line[i + 1] == 'x') {
                bool hex = false;
                const int value = line.mid(i + 2, 2).toInt(&hex, 16);
                if (!hex)
                    *ok = false;
                out += static_cast<char>(value);
                i += 3;
            } else {
                *ok = false;
            }
        }
        return out;
    };
    Database db;
    int lineNumber = 0;
    for (QByteArray line : text.split('\n')) {
        ++lineNumber;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype colon = line.indexOf(": ");
        const QByteArray key = colon < 0 ? line : line.left(colon);
        bool ok = colon >= 0;
        const QByteArray value = ok ? unescape(line.mid(colon + 2), &ok) : QByteArray();
        const auto number = [&ok, &value](quint32 max) {
            const quint32 n = value.toUInt(&ok, 0);
            ok = ok && n <= max;
            return n;
        };
        const auto fileHeader = [&db]() -> FileHeader & {
            // Not emplace(): clang cannot see the nested struct's default
            // constructor from here.
            if (!db.file)
                db.file = FileHeader{};
            return *db.file;
        };
        static const QRegularExpression recordWithInfo(
            QStringLiteral("^record \\(attributes (0x[0-9a-fA-F]{1,2}), unique id (\\d{1,8})\\)$"));
        const QRegularExpressionMatch info = recordWithInfo.match(QString::fromLatin1(key));
        if (ok && key == "name") {
            db.name = TextFile::fromWindows1252(value);
        } else if (ok && key == "creator") {
            db.creator = TextFile::fromWindows1252(value);
        } else if (ok && key == "type") {
            db.type = TextFile::fromWindows1252(value);
        } else if (ok && key == "record") {
            db.records.append(value);
            db.recordInfo.append(RecordInfo());
        } else if (ok && info.hasMatch()) {
            const RecordInfo recordInfo{static_cast<quint8>(info.captured(1).toUInt(&ok, 16)),
                                        info.captured(2).toUInt(&ok)};
            ok = ok && recordInfo.uniqueId <= palmdoc::MaxUniqueId;
            db.records.append(value);
            db.recordInfo.append(recordInfo);
        } else if (ok && key == "attributes") {
            fileHeader().attributes = static_cast<quint16>(number(0xFFFF));
        } else if (ok && key == "version") {
            fileHeader().version = static_cast<quint16>(number(0xFFFF));
        } else if (ok && key == "created") {
            fileHeader().created = number(0xFFFFFFFF);
        } else if (ok && key == "modified") {
            fileHeader().modified = number(0xFFFFFFFF);
        } else if (ok && key == "backed up") {
            fileHeader().backedUp = number(0xFFFFFFFF);
        } else if (ok && key == "modification number") {
            fileHeader().modificationNumber = number(0xFFFFFFFF);
        } else if (ok && key == "unique id seed") {
            fileHeader().uniqueIdSeed = number(0xFFFFFFFF);
        } else {
            ok = false;
        }
        if (!ok) {
            if (error)
                *error = QStringLiteral("line %1 is not a database line").arg(lineNumber);
            return std::nullopt;
        }
    }
    return db;
}

QStringList PalmDatabases::list(const QString &creator, const QString &type) const
{
    QStringList names;
    const QFileInfoList files =
        QDir(m_folder).entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name);
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const std::optional<Database> db = fromText(file.readAll(), nullptr);
        if (!db || (!creator.isEmpty() && db->creator != creator) ||
            (!type.isEmpty() && db->type != type))
            continue;
        names.append(db->name);
    }
    return names;
}

bool PalmDatabases::fail(const QString &message)
{
    m_error = message;
    return false;
}

std::optional<int> PalmDatabases::open(const QString &name, const QString &mode,
                                       const QString &creator, const QString &type)
{
    if (name.isEmpty() || name.size() > 31) {
        fail(QStringLiteral("a database name has 1 to 31 characters"));
        return std::nullopt;
    }
    if (mode != QLatin1String("r") && mode != QLatin1String("r+") && mode != QLatin1String("w")) {
        fail(QStringLiteral("unknown mode \"%1\" (use \"r\", \"r+\" or \"w\")").arg(mode));
        return std::nullopt;
    }
    for (const Open &open : std::as_const(m_open)) {
        if (open.db.name == name) {
            fail(QStringLiteral("database \"%1\" is already open").arg(name));
            return std::nullopt;
        }
    }
    Open open;
    open.writable = mode != QLatin1String("r");
    const QString path = filePath(name);
    if (QFileInfo::exists(path)) {
        std::optional<Database> db = load(path);
        if (!db)
            return std::nullopt;
        open.db = *db;
        open.db.name = name;
    } else if (mode == QLatin1String("w")) {
        open.db.name = name;
        open.db.creator = creator;
        open.db.type = type;
        if (!save(open))
            return std::nullopt;
    } else {
        fail(QStringLiteral("database \"%1\" not found").arg(name));
        return std::nullopt;
    }
    const int handle = m_nextHandle++;
    m_open.insert(handle, open);
    return handle;
}

std::optional<PalmDatabases::Database> PalmDatabases::load(const QString &path)
{
    QFile file(path);
    // A FIFO or device there would block or never end.
    if (!QFileInfo(file).isFile()) {
        fail(QStringLiteral("cannot read %1: not a regular file")
                 .arg(QDir::toNativeSeparators(file.fileName())));
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        fail(QStringLiteral("cannot read %1: %2")
                 .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
        return std::nullopt;
    }
    QString error;
    std::optional<Database> db = fromText(file.readAll(), &error);
    if (!db)
        fail(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()), error));
    return db;
}

void PalmDatabases::markChanged(Open &open, int record)
{
    open.changed = true;
    // The handheld marks a changed record dirty, for the next sync.
    if (open.db.file && record >= 0)
        open.db.recordInfo[record].attributes |= DirtyRecordAttribute;
}

bool PalmDatabases::save(Open &open)
{
    if (open.changed && open.db.file) {
        ++open.db.file->modificationNumber;
        open.db.file->modified = palmdoc::palmTimeNow();
    }
    open.changed = false;
    if (!QDir().mkpath(m_folder))
        return fail(
            QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(m_folder)));
    QSaveFile file(filePath(open.db.name));
    if (!file.open(QIODevice::WriteOnly) || file.write(toText(open.db)) < 0 || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2")
                        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString()));
    open.dirty = false;
    return true;
}

PalmDatabases::Open *PalmDatabases::handleData(int handle)
{
    const auto it = m_open.find(handle);
    if (it == m_open.end()) {
        fail(QStringLiteral("database is not open"));
        return nullptr;
    }
    return &it.value();
}

const PalmDatabases::Open *PalmDatabases::handleData(int handle) const
{
    const auto it = m_open.constFind(handle);
    if (it == m_open.constEnd()) {
        m_error = QStringLiteral("database is not open");
        return nullptr;
    }
    return &it.value();
}

PalmDatabases::Open *PalmDatabases::recordHandle(int handle)
{
    Open *open = handleData(handle);
    if (open && open->record < 0) {
        fail(QStringLiteral("no record is open"));
        return nullptr;
    }
    return open;
}

bool PalmDatabases::close(int handle)
{
    Open *open = handleData(handle);
    if (!open)
        return false;
    const bool saved = !open->dirty || save(*open);
    m_open.remove(handle);
    return saved;
}

bool PalmDatabases::isOpen(int handle) const
{
    return m_open.contains(handle);
}

int PalmDatabases::recordCount(int handle) const
{
    const Open *open = handleData(handle);
    return open ? static_cast<int>(open->db.records.size()) : 0;
}

std::optional<int> PalmDatabases::openRecord(int handle, int index)
{
    Open *open = handleData(handle);
    if (!open)
        return std::nullopt;
    if (index < 0 || index >= open->db.records.size()) {
        fail(QStringLiteral("no record %1").arg(index));
        return std::nullopt;
    }
    open->record = index;
    open->position = 0;
    return static_cast<int>(open->db.records[index].size());
}

std::optional<int> PalmDatabases::createRecord(int handle, int size)
{
    Open *open = handleData(handle);
    if (!open)
        return std::nullopt;
    if (!open->writable || size < 0 || size > 65535) {
        fail(open->writable ? QStringLiteral("a record holds 0 to 65535 bytes")
                            : QStringLiteral("database is open for reading only"));
        return std::nullopt;
    }
    RecordInfo info;
    if (std::optional<FileHeader> &file = open->db.file) {
        // A new unique id, as the handheld hands out from the seed.
        quint32 last = file->uniqueIdSeed;
        for (const RecordInfo &other : std::as_const(open->db.recordInfo))
            last = std::max(last, other.uniqueId);
        info.uniqueId = (last + 1) & palmdoc::MaxUniqueId;
        file->uniqueIdSeed = info.uniqueId;
    }
    open->db.records.append(QByteArray(size, '\0'));
    open->db.recordInfo.append(info);
    markChanged(*open, static_cast<int>(open->db.records.size() - 1));
    if (!save(*open))
        return std::nullopt;
    return static_cast<int>(open->db.records.size() - 1);
}

bool PalmDatabases::deleteRecord(int handle, int index)
{
    Open *open = handleData(handle);
    if (!open)
        return false;
    if (!open->writable)
        return fail(QStringLiteral("database is open for reading only"));
    if (index < 0 || index >= open->db.records.size())
        return fail(QStringLiteral("no record %1").arg(index));
    if (index == open->record)
        return fail(QStringLiteral("record %1 is open").arg(index));
    open->db.records.removeAt(index);
    open->db.recordInfo.removeAt(index);
    markChanged(*open, -1);
    if (open->record > index)
        --open->record;
    return save(*open);
}

bool PalmDatabases::closeRecord(int handle)
{
    Open *open = recordHandle(handle);
    if (!open)
        return false;
    open->record = -1;
    return !open->dirty || save(*open);
}

bool PalmDatabases::resizeRecord(int handle, int index, int size)
{
    Open *open = handleData(handle);
    if (!open)
        return false;
    if (!open->writable)
        return fail(QStringLiteral("database is open for reading only"));
    if (index < 0 || index >= open->db.records.size())
        return fail(QStringLiteral("no record %1").arg(index));
    if (size < 0 || size > 65535)
        return fail(QStringLiteral("a record holds 0 to 65535 bytes"));
    open->db.records[index].resize(size, '\0');
    markChanged(*open, index);
    if (index == open->record)
        open->position = 0; // closed, resized and opened again
    return save(*open);
}

std::optional<QByteArray> PalmDatabases::read(int handle, int count)
{
    Open *open = recordHandle(handle);
    if (!open)
        return std::nullopt;
    const QByteArray &record = open->db.records[open->record];
    if (open->position >= record.size() && count > 0)
        return std::nullopt; // end of record
    const QByteArray bytes = record.mid(open->position, count);
    open->position += static_cast<int>(bytes.size());
    return bytes;
}

std::optional<QByteArray> PalmDatabases::readLine(int handle)
{
    Open *open = recordHandle(handle);
    if (!open)
        return std::nullopt;
    const QByteArray &record = open->db.records[open->record];
    if (open->position >= record.size() || record[open->position] == '\0')
        return std::nullopt;
    qsizetype end = open->position;
    while (end < record.size() && record[end] != '\n' && record[end] != '\0')
        ++end;
    const QByteArray line = record.mid(open->position, end - open->position);
    open->position = static_cast<int>(end < record.size() && record[end] == '\n' ? end + 1 : end);
    return line;
}

std::optional<QByteArray> PalmDatabases::readAll(int handle)
{
    Open *open = recordHandle(handle);
    if (!open)
        return std::nullopt;
    const QByteArray &record = open->db.records[open->record];
    const QByteArray rest = record.mid(open->position);
    open->position = static_cast<int>(record.size());
    return rest;
}

bool PalmDatabases::write(int handle, const QByteArray &bytes)
{
    Open *open = recordHandle(handle);
    if (!open)
        return false;
    if (!open->writable)
        return fail(QStringLiteral("database is open for reading only"));
    QByteArray &record = open->db.records[open->record];
    if (open->position + bytes.size() > record.size())
        return fail(
            QStringLiteral("the record holds %1 bytes; resize it first").arg(record.size()));
    record.replace(open->position, bytes.size(), bytes);
    open->position += static_cast<int>(bytes.size());
    open->dirty = true;
    markChanged(*open, open->record);
    return true;
}
