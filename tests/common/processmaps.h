#pragma once

#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The Qt WebEngine libraries mapped into process `pid`, as /proc shows them.
inline QStringList webEngineLibraries(qint64 pid)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    if (!maps.open(QIODevice::ReadOnly))
        return {QStringLiteral("<cannot read %1>").arg(maps.fileName())};
    QStringList found;
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const qsizetype slash = line.indexOf('/');
        const QString path = slash < 0 ? QString() : QString::fromLocal8Bit(line.mid(slash));
        if (QFileInfo(path).fileName().startsWith(QLatin1String("libQt6WebEngine")) &&
            !found.contains(path))
            found.append(path);
    }
    return found;
}
