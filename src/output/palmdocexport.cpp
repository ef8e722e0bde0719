#include "palmdocexport.h"

#include "exportfolder.h"
#include "palmdocconverter.h"
#include "palmdocfiles.h"

#include "document/projectdocument.h"
#include "document/textbuffer.h"
#include "platform/hostservices.h"

#include <QDir>
#include <QFile>

namespace Output {

void exportPalmDoc(HostServices &host, ProjectDocument &document, PalmDocConverter &converter)
{
    const QString output =
        host.showSave(QStringLiteral("Save"), QStringLiteral("Palm DOC Files (*.prc)"),
                      proposedExportPath(host, document, QStringLiteral("myproject.prc")));
    if (output.isEmpty())
        return;

    // Absolute, so that the converter can never take it for an option.
    const QString input =
        PalmDocFiles::createTemporaryFile(host.programDirectory(), host.cacheDirectory());
    // Without its input file the converter would turn an old text, or
    // nothing, into a database: writing has said what went wrong, stop.
    // With no folder to write in, the attempt itself reports it.
    const QString attempted =
        input.isEmpty() ? QDir(host.programDirectory()).absoluteFilePath(QStringLiteral("del.tmp"))
                        : input;
    if (!document.writeCopy(attempted)) {
        if (!input.isEmpty())
            QFile::remove(input);
        return;
    }

    QString docName = PalmDocFiles::titleCommentName(document.stagingBuffer().firstLine());
    if (docName.isNull()) {
        // An empty answer still goes on, as "--.lua".
        const QString answer = host.inputBox(
            QStringLiteral("Please enter the name of how this Palm DOC should be named on your "
                           "palm pda"),
            QStringLiteral("Scrivlet IDE"));
        docName = QStringLiteral("--") + answer + QStringLiteral(".lua");
    }

    converter.start(
        PalmDocFiles::converterPath(host.programDirectory()), attempted, output, docName,
        input.isEmpty() ? PalmDocConverter::Input::Keep : PalmDocConverter::Input::Remove);
}

} // namespace Output
