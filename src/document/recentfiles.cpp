#include "recentfiles.h"

#include "platform/hostservices.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString Section = QStringLiteral("Recent Files");

QString keyFor(int index)
{
    return QStringLiteral("File%1").arg(index + 1);
}

QString normalized(const QString &path)
{
    return path.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentFiles::RecentFiles(const QStringList &files)
{
    // Oldest first, so that the newest ends up in front.
    for (auto it = files.crbegin(); it != files.crend(); ++it)
        add(*it);
}

void RecentFiles::add(const QString &path)
{
    const QString file = normalized(path);
    if (file.isEmpty())
        return;
    m_files.removeAll(file);
    m_files.prepend(file);
    while (m_files.size() > Limit)
        m_files.removeLast();
}

void RecentFiles::remove(const QString &path)
{
    m_files.removeAll(normalized(path));
}

RecentFiles RecentFiles::load(const HostServices &host)
{
    QStringList files;
    for (int i = 0; i < Limit; ++i) {
        const QString file = host.readSetting(Section, keyFor(i));
        if (!file.isEmpty())
            files.append(file);
    }
    return RecentFiles(files);
}

void RecentFiles::save(HostServices &host) const
{
    // Every slot is written, so that entries dropped from the list are gone
    // from the store as well.
    for (int i = 0; i < Limit; ++i)
        host.saveSetting(Section, keyFor(i), m_files.value(i));
}
