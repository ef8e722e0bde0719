#include "palmdocexport.h"

#include "palmdocconverter.h"

#include "app/frmmain.h"
#include "app/hostservices.h"
#include "app/textbuffer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace Output {

namespace {

const QString TemporaryFileTemplate = QStringLiteral("del-XXXXXX.tmp");

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

QString createTemporaryFile(const QString &programDirectory)
{
    // The program may be installed where its user cannot write; the
    // conversion then goes through the user's own folders.
    QStringList folders{programDirectory};
    for (const auto location : {QStandardPaths::CacheLocation, QStandardPaths::TempLocation}) {
        const QString folder = QStandardPaths::writableLocation(location);
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
    const QString input = createTemporaryFile(host.programDirectory());
    // Without its input file the converter would turn an old text, or
    // nothing, into a database: SaveText has said what went wrong, stop.
    // With no folder to write in, SaveText's own attempt reports it.
    const QString attempted =
        input.isEmpty() ? QDir(host.programDirectory()).absoluteFilePath(QStringLiteral("del.tmp"))
                        : input;
    if (!window.SaveText(convBox, attempted)) {
        if (!input.isEmpty())
            QFile::remove(input);
        return;
    }

    QString docName = titleCommentName(convBox.text());
    if (docName.isNull()) {
        // An empty answer still goes on, as "--.lua".
        const QString answer = host.inputBox(
            QStringLiteral("Please enter the name of how this Palm DOC should be named on your "
                           "palm pda"),
            QStringLiteral("Scrivlet IDE"));
        docName = QStringLiteral("--") + answer + QStringLiteral(".lua");
    }

    PalmDocConverter::of(host).start(
        converterPath(host.programDirectory()), attempted, output, docName,
        input.isEmpty() ? PalmDocConverter::Input::Keep : PalmDocConverter::Input::Remove);
}

} // namespace Output
