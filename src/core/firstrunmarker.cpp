#include "firstrunmarker.h"

#include "textfile.h"

#include <QDir>
#include <QFile>

namespace FirstRunMarker {

namespace {

QString markerPath(const QString &directory)
{
    return QDir(directory).filePath(QLatin1String(FileName));
}

} // namespace

QString readFirstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // The marker is one short line; a few kilobytes cover the first line of
    // anything sensible and keep a huge stray file from being read whole.
    const QByteArray head = file.read(4096);
    if (file.error() != QFileDevice::NoError)
        return {};
    qsizetype end = 0;
    while (end < head.size() && head[end] != '\r' && head[end] != '\n')
        ++end;
    // An empty file still "reads": its first line is empty, not missing.
    return TextFile::fromWindows1252(QByteArrayView(head).first(end));
}

bool isFirstRunOver(const QString &programDirectory, const QString &userDirectory)
{
    const QString programMarker = markerPath(programDirectory);
    if (QFile::exists(programMarker))
        return readFirstLine(programMarker) == u"1";
    return !userDirectory.isEmpty() && readFirstLine(markerPath(userDirectory)) == u"1";
}

bool write(const QString &programDirectory, const QString &userDirectory)
{
    const QByteArray marker("1\r\n");
    if (TextFile::writeFile(markerPath(programDirectory), marker))
        return true;
    if (userDirectory.isEmpty() || !QDir().mkpath(userDirectory))
        return false;
    return TextFile::writeFile(markerPath(userDirectory), marker);
}

} // namespace FirstRunMarker
