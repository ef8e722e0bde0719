#include "recoverycopy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSaveFile>

#include <algorithm>
#include <utility>

namespace RecoveryCopy {

namespace {

constexpr char Kind[] = "Scrivlet IDE unsaved text 1";
constexpr char CopySuffix[] = ".recovery";
constexpr char LockSuffix[] = ".lock";
constexpr char DamagedSuffix[] = ".damaged";
// Far above any program the editor opens; a larger file is not a copy.
constexpr qint64 MaxCopyBytes = 512LL * 1024 * 1024;

QByteArray checksum(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

DecodeResult damaged(const QString &why)
{
    DecodeResult result;
    result.error = why;
    return result;
}

QString lockPathOf(const QString &copyPath)
{
    return copyPath.chopped(int(qstrlen(CopySuffix))) + QLatin1String(LockSuffix);
}

// A lock held only by a living process: an old lock is not stale by age.
std::unique_ptr<QLockFile> lockFor(const QString &lockPath)
{
    auto lock = std::make_unique<QLockFile>(lockPath);
    lock->setStaleLockTime(0);
    return lock;
}

} // namespace

QByteArray encode(const Contents &contents)
{
    const QByteArray text = contents.text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size() + 256);
    bytes += Kind;
    bytes += "\nfile: " + contents.fileName.toUtf8().toPercentEncoding("/ ");
    bytes += "\nwritten: " + contents.writtenAt.toUTC().toString(Qt::ISODateWithMs).toLatin1();
    bytes += "\nlength: " + QByteArray::number(text.size());
    bytes += "\nsha256: " + checksum(text);
    bytes += "\n\n";
    bytes += text;
    return bytes;
}

DecodeResult decode(const QByteArray &bytes)
{
    const qsizetype headerEnd = bytes.indexOf("\n\n");
    if (!bytes.startsWith(QByteArray(Kind) + '\n') || headerEnd < 0)
        return damaged(QStringLiteral("it does not start like a recovery copy"));
    QByteArray fileName, written, length, sum;
    const QList<QByteArray> lines = bytes.first(headerEnd).split('\n');
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(": ");
        if (colon < 0)
            return damaged(QStringLiteral("its header is damaged"));
        const QByteArray key = line.first(colon);
        const QByteArray value = line.sliced(colon + 2);
        if (key == "file")
            fileName = value;
        else if (key == "written")
            written = value;
        else if (key == "length")
            length = value;
        else if (key == "sha256")
            sum = value;
    }
    bool lengthOk = false;
    const qsizetype textLength = length.toLongLong(&lengthOk);
    const QByteArray text = bytes.sliced(headerEnd + 2);
    if (!lengthOk || textLength != text.size())
        return damaged(QStringLiteral("its text is %1 bytes long instead of %2")
                           .arg(text.size())
                           .arg(QString::fromLatin1(length)));
    if (checksum(text) != sum)
        return damaged(QStringLiteral("its text does not match its checksum"));
    DecodeResult result;
    result.contents.writtenAt =
        QDateTime::fromString(QString::fromLatin1(written), Qt::ISODateWithMs);
    if (!result.contents.writtenAt.isValid())
        return damaged(QStringLiteral("its time is damaged"));
    result.contents.fileName = QString::fromUtf8(QByteArray::fromPercentEncoding(fileName));
    result.contents.text = QString::fromUtf8(text);
    result.ok = true;
    return result;
}

Orphan::Orphan(std::unique_ptr<QLockFile> lock, QString path)
    : m_lock(std::move(lock)), m_path(std::move(path))
{}

Orphan::~Orphan() = default;

DecodeResult Orphan::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return damaged(file.errorString());
    if (file.size() > MaxCopyBytes)
        return damaged(QStringLiteral("it is larger than any text the editor keeps"));
    return decode(file.readAll());
}

void Orphan::discard()
{
    QFile::remove(m_path);
    m_lock->unlock();
}

QString Orphan::setAside()
{
    const QString aside =
        m_path + QLatin1Char('.') +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddThhmmss")) +
        QLatin1String(DamagedSuffix);
    const bool moved = QFile::rename(m_path, aside);
    m_lock->unlock();
    return moved ? aside : QString();
}

Folder::Folder(QString path) : m_path(std::move(path)) {}

Folder::~Folder() = default;

std::unique_ptr<Orphan> Folder::claimNewestOrphan()
{
    const QDir folder(m_path);
    QFileInfoList copies = folder.entryInfoList({QLatin1String("*") + QLatin1String(CopySuffix)},
                                                QDir::Files | QDir::Hidden, QDir::Time);
    for (const QFileInfo &copy : std::as_const(copies)) {
        const QString copyPath = copy.absoluteFilePath();
        if (copyPath == this->copyPath())
            continue;
        auto lock = lockFor(lockPathOf(copyPath));
        // Free only when its editor is gone: a running one holds it.
        if (lock->tryLock(0) && QFile::exists(copyPath))
            return std::make_unique<Orphan>(std::move(lock), copyPath);
    }
    // Locks of editors that ended before they wrote anything.
    const QStringList locks =
        folder.entryList({QLatin1String("*") + QLatin1String(LockSuffix)}, QDir::Files);
    for (const QString &name : locks) {
        const QString lockPath = folder.filePath(name);
        const QString copy = lockPath.chopped(int(qstrlen(LockSuffix))) + QLatin1String(CopySuffix);
        if (name == m_name + QLatin1String(LockSuffix) || QFile::exists(copy))
            continue;
        auto lock = lockFor(lockPath);
        if (lock->tryLock(0))
            lock->unlock();
    }
    return nullptr;
}

bool Folder::claimOwnName(QString *error)
{
    if (m_lock)
        return true;
    // Unsaved text is for the user's eyes only, whatever the files' own rights.
    if (!QDir().mkpath(m_path) ||
        !QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                           QFileDevice::ExeOwner)) {
        if (error)
            *error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    const QString name = QStringLiteral("editor-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
    auto lock = lockFor(QDir(m_path).filePath(name + QLatin1String(LockSuffix)));
    if (!lock->tryLock(0)) {
        if (error)
            *error = QStringLiteral("cannot lock %1").arg(QDir::toNativeSeparators(m_path));
        return false;
    }
    m_name = name;
    m_lock = std::move(lock);
    return true;
}

QString Folder::copyPath() const
{
    return m_name.isEmpty() ? QString() : QDir(m_path).filePath(m_name + QLatin1String(CopySuffix));
}

bool Folder::write(const Contents &contents, QString *error)
{
    if (!claimOwnName(error))
        return false;
    QSaveFile file(copyPath());
    if (!file.open(QIODevice::WriteOnly) || file.write(encode(contents)) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void Folder::remove()
{
    if (!m_name.isEmpty())
        QFile::remove(copyPath());
}

void Folder::release()
{
    remove();
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
    m_name.clear();
}

QString folderIn(const QString &stateDirectory)
{
    return QDir(stateDirectory).filePath(QStringLiteral("Scrivlet IDE/recovery"));
}

} // namespace RecoveryCopy
