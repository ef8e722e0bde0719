#pragma once

#include <QString>
#include <QStringList>

class HostServices;

// The files opened last, newest first, as the File menu lists them. The list
// lives in the per-user settings store, so it outlasts the run and every
// window of the program shares it.
class RecentFiles
{
public:
    static constexpr int Limit = 8;

    RecentFiles() = default;
    explicit RecentFiles(const QStringList &files);

    const QStringList &files() const { return m_files; }

    // Puts `path` first, as an absolute path; an older entry for the same
    // file goes, and the oldest entries beyond the limit drop off.
    void add(const QString &path);
    void remove(const QString &path);
    void clear() { m_files.clear(); }

    static RecentFiles load(const HostServices &host);
    void save(HostServices &host) const;

private:
    QStringList m_files;
};
