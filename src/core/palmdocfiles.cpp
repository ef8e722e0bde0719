#include "palmdocfiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

namespace PalmDocFiles {

namespace {

const QString TemporaryFileTemplate = QStringLiteral("del-XXXXXX.tmp");

} // namespace

QString titleCommentName(const QString &text)
{
    qsizetype end = text.indexOf(u'\r');
    if (end < 0)
        end = text.size();
    QString firstLine = text.first(end);
    if (firstLine.startsWith(QLatin1String("--")) && firstLine.endsWith(QLatin1String(".lua")))
        return firstLine;
    return QString();
}

QString converterPath(const QString &programDirectory)
{
#ifdef Q_OS_WIN
    return QDir(programDirectory).filePath(QStringLiteral("txt2doc.exe"));
#else
    return QDir(programDirectory).filePath(QStringLiteral("txt2doc"));
#endif
}

QString createTemporaryFile(const QString &programDirectory, const QString &cacheDirectory)
{
    // The program may be installed where its user cannot write; the
    // conversion then goes through the user's own folders.
    QStringList folders{programDirectory};
    for (const QString &folder :
         {cacheDirectory, QStandardPaths::writableLocation(QStandardPaths::TempLocation)}) {
        if (!folder.isEmpty() && QDir().mkpath(folder))
            folders.append(folder);
    }
    for (const QString &folder : std::as_const(folders)) {
        if (folder.isEmpty())
            continue;
        // A name of its own for each export: two conversions at work at the
        // same time never read each other's text.
        QTemporaryFile file(QDir(folder).filePath(TemporaryFileTemplate));
        file.setAutoRemove(false);
        if (file.open())
            return QFileInfo(file.fileName()).absoluteFilePath();
    }
    return QString();
}

} // namespace PalmDocFiles
