#include "projectdocument.h"

#include "commandline.h"
#include "document/editortextedit.h"
#include "document/textbuffer.h"
#include "document/textmirror.h"
#include "platform/hostservices.h"
#include "textfile.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>

#include <utility>

namespace {

const QString LuaFilter = QStringLiteral("Lua/Plua Files (*.lua)");

} // namespace

ProjectDocument::ProjectDocument(HostServices &host, EditorTextEdit &editor, QObject *parent)
    : QObject(parent), m_host(host), m_editor(editor),
      m_stagingBuffer(new TextBuffer(QStringLiteral("ConvBox"), this))
{}

QString ProjectDocument::text() const
{
    return m_editor.plainTextCrLf();
}

QString ProjectDocument::stageText()
{
    m_stagingBuffer->setText(text());
    return m_stagingBuffer->text();
}

void ProjectDocument::stageForSaving()
{
    TextFile::EncodeResult encoded = m_editor.textMirror().encode();
    if (encoded.ok()) {
        m_stagingBuffer->setFileBytes(encoded.bytes);
        return;
    }
    // Staged as text, so that SaveText refuses it with the reason.
    stageText();
}

bool ProjectDocument::LoadText(EditorTextEdit *editor, const QString &file)
{
    return loadFile(editor, file) == LoadResult::Loaded;
}

ProjectDocument::LoadResult ProjectDocument::loadFile(EditorTextEdit *editor, const QString &file)
{
    // Reading a large file takes a moment: the pointer says so.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const TextFile::ReadResult read = TextFile::readFile(file);
    QGuiApplication::restoreOverrideCursor();
    return loadFile(editor, file, read);
}

ProjectDocument::LoadResult ProjectDocument::loadFile(EditorTextEdit *editor, const QString &file,
                                                      const TextFile::ReadResult &read)
{
    if (!read.ok()) {
        // A missing or unreadable file is "not found"; content the editor
        // cannot show is named as such, so the user knows why.
        const QFileInfo info(file);
        // A folder is no file to open, nor a name to save under.
        if (info.isDir()) {
            m_host.messageBox(QStringLiteral("\"%1\" is a folder, not a file.").arg(file),
                              HostServices::Buttons::Ok, HostServices::Icon::None,
                              QStringLiteral("Error"));
            return LoadResult::Refused;
        }
        const bool unreadable = read.notFound || info.isDir() || !info.isReadable();
        m_host.messageBox(unreadable ? QStringLiteral("File Not Found") : read.error,
                          HostServices::Buttons::Ok, HostServices::Icon::None,
                          QStringLiteral("Error"));
        return unreadable ? LoadResult::Unreadable : LoadResult::Refused;
    }
    // Laying out a large text takes a moment too.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    editor->setPlainTextAnyBreaks(read.text);
    QGuiApplication::restoreOverrideCursor();
    if (!read.notice.isEmpty())
        m_host.messageBox(read.notice, HostServices::Buttons::Ok, HostServices::Icon::None);
    return LoadResult::Loaded;
}

bool ProjectDocument::SaveText(const TextBuffer &buffer, const QString &file)
{
    // Text staged in its file form is written as it is.
    QByteArray bytes = buffer.fileBytes();
    if (bytes.isNull()) {
        TextFile::EncodeResult encoded = TextFile::encode(buffer.text());
        if (!encoded.ok()) {
            m_host.messageBox(encoded.error, HostServices::Buttons::Ok, HostServices::Icon::None,
                              QStringLiteral("Error"));
            return false;
        }
        bytes = std::move(encoded.bytes);
    }
    QString reason;
    if (!TextFile::writeFile(file, bytes, &reason)) {
        // The message every failed write shows, and beneath it what the
        // system said, so that a full disk reads differently from a
        // read-only folder.
        QString message = QStringLiteral("There has been a error!");
        if (!reason.isEmpty())
            message += QStringLiteral("\n\n%1\n%2").arg(QDir::toNativeSeparators(file), reason);
        m_host.messageBox(message, HostServices::Buttons::Ok, HostServices::Icon::None,
                          QStringLiteral("Error"));
        return false;
    }
    return true;
}

bool ProjectDocument::writeCopy(const QString &file)
{
    stageForSaving();
    return SaveText(*m_stagingBuffer, file);
}

bool ProjectDocument::askToSaveFirst(SaveResult (ProjectDocument::*saveStep)(),
                                     bool stopUnlessSaved)
{
    const auto answer =
        m_host.messageBox(QStringLiteral("Do you wish to save the current project?"),
                          HostServices::Buttons::YesNoCancel);
    if (answer == HostServices::Answer::Cancel)
        return false;
    if (answer != HostServices::Answer::Yes)
        return true;
    const SaveResult saved = (this->*saveStep)();
    return stopUnlessSaved ? saved == SaveResult::Saved : saved != SaveResult::Failed;
}

void ProjectDocument::newProject()
{
    loadCommandLineFileNow();
    // Yes asks where to save; a save that was refused or failed keeps the
    // text, so the user can put it right and save again.
    if (!askToSaveFirst(&ProjectDocument::saveAs, false))
        return;
    const QString name =
        m_host.inputBox(QStringLiteral("New project name:"), QStringLiteral("Scrivlet Editor"));
    // A new project has no file yet: the next Save asks where it goes
    // instead of overwriting the file of the previous project.
    m_fileName.clear();
    m_editor.setPlainTextAnyBreaks(QStringLiteral("-- ") + name + QStringLiteral(".lua"));
}

void ProjectDocument::open()
{
    loadCommandLineFileNow();
    // Opening replaces the text, so it asks first, as New does. Yes saves to
    // the project's own file; a save that did not happen stops the Open.
    if (!askToSaveFirst(&ProjectDocument::save, true))
        return;
    const QString path = m_host.showOpen(QStringLiteral("Open"), LuaFilter);
    if (path.isEmpty())
        return;
    loadProject(path);
}

bool ProjectDocument::openFile(const QString &path)
{
    loadCommandLineFileNow();
    return askToSaveFirst(&ProjectDocument::save, true) && loadProject(path);
}

bool ProjectDocument::loadProject(const QString &path)
{
    // The text is replaced only once the file has been read, so a file that
    // cannot be opened costs the user nothing.
    if (!LoadText(&m_editor, path))
        return false;
    m_fileName = path;
    emit fileOpened(path);
    return true;
}

ProjectDocument::SaveResult ProjectDocument::save()
{
    loadCommandLineFileNow();
    if (m_fileName.isEmpty())
        return saveAs();
    stageForSaving();
    return savedTo(m_fileName);
}

ProjectDocument::SaveResult ProjectDocument::saveAs()
{
    loadCommandLineFileNow();
    const QString path = m_host.showSave(QStringLiteral("Save"), LuaFilter);
    if (path.isEmpty())
        return SaveResult::Cancelled;
    stageForSaving();
    return savedTo(path);
}

ProjectDocument::SaveResult ProjectDocument::savedTo(const QString &path)
{
    // A failed write leaves the project under its old name: the text is
    // still unsaved, and the file that failed holds none of it.
    if (!SaveText(*m_stagingBuffer, path))
        return SaveResult::Failed;
    m_fileName = path;
    // What is on disk now is the text: nothing unsaved is left to keep.
    m_editor.document()->setModified(false);
    emit saved(path);
    return SaveResult::Saved;
}

void ProjectDocument::restoreUnsavedText(const QString &fileName, const QString &text)
{
    loadCommandLineFileNow();
    m_editor.setPlainTextAnyBreaks(text);
    m_fileName = fileName;
    // The text differs from its file (or has none): it still needs saving.
    m_editor.document()->setModified(true);
}

void ProjectDocument::openCommandLineFile(const QString &commandLine)
{
    if (commandLine.isEmpty())
        return;
    m_commandLine = commandLine;
    // Reading a big file takes a while; it overlaps the window's creation.
    m_commandLineRead =
        std::async(std::launch::async, &TextFile::readFile, CommandLine::filePath(commandLine));
    m_editor.viewport()->installEventFilter(this);
}

void ProjectDocument::loadCommandLineFileNow()
{
    // Also run by any command that replaces or saves the text before the
    // first paint, so that the file never lands on top of that command.
    if (m_commandLine.isEmpty())
        return;
    m_editor.viewport()->removeEventFilter(this);
    const QString path = CommandLine::filePath(std::exchange(m_commandLine, QString()));
    // A file that cannot be read keeps its name, so Save creates it; one that
    // was read and refused must never be overwritten by the editor's text.
    const LoadResult loaded = loadFile(&m_editor, path, m_commandLineRead.get());
    if (loaded != LoadResult::Refused)
        m_fileName = path;
    if (loaded == LoadResult::Loaded)
        emit fileOpened(path);
}

bool ProjectDocument::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_editor.viewport() && event->type() == QEvent::Paint) {
        m_editor.viewport()->removeEventFilter(this);
        // Once this paint has reached the screen.
        QTimer::singleShot(0, this, &ProjectDocument::loadCommandLineFileNow);
    }
    return QObject::eventFilter(watched, event);
}
