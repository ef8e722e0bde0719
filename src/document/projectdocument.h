#pragma once

#include "textfile.h"

#include <QObject>
#include <QString>

#include <future>

class EditorTextEdit;
class HostServices;
class TextBuffer;

// The program being edited: the file it lives in, the editor that holds its
// text, the staging buffer that saving, exporting and printing write from,
// and the steps of New, Open, Save and Save As. Dialogs go through the host
// services, so every step reads as what it does and a test can answer them.
class ProjectDocument : public QObject
{
    Q_OBJECT

public:
    ProjectDocument(HostServices &host, EditorTextEdit &editor, QObject *parent);

    HostServices &host() const { return m_host; }
    EditorTextEdit &editor() const { return m_editor; }

    // The path of the project file; empty until a file is named.
    QString fileName() const { return m_fileName; }
    void setFileName(const QString &fileName) { m_fileName = fileName; }

    // The plain-text staging buffer ("ConvBox").
    TextBuffer &stagingBuffer() const { return *m_stagingBuffer; }

    // The document's plain text, lines joined by CR LF.
    QString text() const;
    // Copies the text into the staging buffer and returns it.
    QString stageText();
    // Copies the text into the staging buffer in its file form, ready for
    // SaveText: the bytes come straight from the editor's copy of its text.
    void stageForSaving();

    // Fills an editor with a file's lines; reports a failure itself and
    // leaves the editor as it was. True when the file was loaded.
    bool LoadText(EditorTextEdit *editor, const QString &file);
    // Writes a buffer's text plus CR LF to `file`, atomically; reports a
    // failure itself, with the system's reason. True when the file was written.
    bool SaveText(const TextBuffer &buffer, const QString &file);

    // Writes the text, in the bytes Save would write, to a file that is not
    // the project's own (an export, the converter's input); the project's
    // name and modified mark stay. Reports a failure itself.
    bool writeCopy(const QString &file);

    // How a save ended: a cancelled dialog is the user's choice, a failure
    // has been reported and the text must not be dropped.
    enum class SaveResult { Saved, Cancelled, Failed };

    void newProject();
    void open();
    // Open without the file dialog: the same question first, then `path`.
    // True when the file was loaded.
    bool openFile(const QString &path);
    SaveResult save();
    SaveResult saveAs();

    // Puts text kept from an editor that did not close properly back into the
    // editor, under its file name, as text that still needs saving.
    void restoreUnsavedText(const QString &fileName, const QString &text);

    // Opens the file that the program's command line names, if any, as
    // soon as the editor has been painted once: the window is on screen and
    // laid out at its size before a large file is read and set.
    void openCommandLineFile(const QString &commandLine);

signals:
    // A file was read into the editor and is now the project's file.
    void fileOpened(const QString &path);
    // The project's text was written to `path`, its own file.
    void saved(const QString &path);
    // The project's text was exported to `path` (the exports say so).
    void exported(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class LoadResult { Loaded, Unreadable, Refused };

    // LoadText with the reason of a failure: a file that could not be read,
    // or one that was read and refused (binary, too large, not a file).
    LoadResult loadFile(EditorTextEdit *editor, const QString &file);
    // The same with the file already read into `read`.
    LoadResult loadFile(EditorTextEdit *editor, const QString &file,
                        const TextFile::ReadResult &read);
    // Asks whether to save before the text is replaced; false when the
    // command must stop (cancelled, or the save did not happen).
    bool askToSaveFirst(SaveResult (ProjectDocument::*saveStep)(), bool stopUnlessSaved);
    // Writes the staged text to `path`; a saved text is no longer modified.
    SaveResult savedTo(const QString &path);
    // Reads `path` into the editor and makes it the project's file.
    bool loadProject(const QString &path);
    // Reads the command line's file now if it is still waiting for the paint.
    void loadCommandLineFileNow();

    HostServices &m_host;
    EditorTextEdit &m_editor;
    TextBuffer *m_stagingBuffer;
    QString m_fileName;
    QString m_commandLine; // waiting for the editor's first paint
    // Its file, read on another thread while the window is being shown.
    std::future<TextFile::ReadResult> m_commandLineRead;
};
