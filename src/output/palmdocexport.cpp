#include "palmdocexport.h"

#include "palmdocconverter.h"

#include "app/frmmain.h"
#include "app/hostservices.h"
#include "app/textbuffer.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace Output {

namespace {

const QString TemporaryFileName = QStringLiteral("del.tmp");

// Whether a file can be created in `folder`, found out by creating one:
// permission bits alone do not say it (an administrator ignores them, a
// read-only file system overrides them).
bool canCreateFileIn(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(TemporaryFileName + QStringLiteral(".XXXXXX")));
    return probe.open();
}

} // namespace

QString titleCommentName(const QString &text)
{
    qsizetype end = text.indexOf(u'\r');
    if (end < 0)
        end = text.size();
    const QString firstLine = text.first(end);
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

QString temporaryFilePath(const QString &programDirectory)
{
    if (canCreateFileIn(programDirectory))
        return QDir(programDirectory).filePath(TemporaryFileName);
    // The program may be installed where its user cannot write; the
    // conversion then goes through the user's own folders.
    for (const auto location : {QStandardPaths::CacheLocation, QStandardPaths::TempLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
        if (!folder.isEmpty() && QDir().mkpath(folder) && canCreateFileIn(folder))
            return QDir(folder).filePath(TemporaryFileName);
    }
    // Nowhere to write: SaveText reports it.
    return QDir(programDirectory).filePath(TemporaryFileName);
}

void exportPalmDoc(frmMain &window)
{
    HostServices &host = window.host();
    const QString output =
        host.showSave(QStringLiteral("Save"), QStringLiteral("Palm DOC Files (*.prc)"),
                      QStringLiteral("myproject.prc"));
    if (output.isEmpty())
        return;

    TextBuffer &convBox = window.ConvBox();
    convBox.setText(window.documentText());
    // Absolute, so that the converter can never take it for an option.
    const QString input = QFileInfo(temporaryFilePath(host.programDirectory())).absoluteFilePath();
    // Without its input file the converter would turn an old text, or
    // nothing, into a database: SaveText has said what went wrong, stop.
    if (!window.SaveText(convBox, input))
        return;

    QString docName = titleCommentName(convBox.text());
    if (docName.isNull()) {
        // An empty answer still goes on, as "--.lua".
        const QString answer = host.inputBox(
            QStringLiteral("Please enter the name of how this Palm DOC should be named on your "
                           "palm pda"),
            QStringLiteral("Scrivlet IDE"));
        docName = QStringLiteral("--") + answer + QStringLiteral(".lua");
    }

    PalmDocConverter::of(host).start(converterPath(host.programDirectory()), input, output,
                                     docName);
}

} // namespace Output
