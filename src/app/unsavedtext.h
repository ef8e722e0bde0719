#pragma once

#include "recoverycopy.h"

#include <QObject>
#include <QThreadPool>

class ProjectDocument;
class QTimer;
class QuietTimer;

// Keeps a copy of the editor's unsaved text in the user's recovery folder, so
// that a crash or a kill loses a few seconds of typing at most, and offers it
// back at the next start.
//
// A copy is written a moment after typing pauses, and every few seconds while
// it goes on; never on the keystroke itself. The copy is taken from the plain
// text that saving also reads and written on a thread of its own, atomically.
// Saving the text removes the copy; so does closing the editor properly.
class UnsavedTextKeeper : public QObject
{
    Q_OBJECT

public:
    static constexpr int QuietMs = 1500;   // after the last change
    static constexpr int LongestMs = 5000; // while changes go on

    UnsavedTextKeeper(ProjectDocument &document, const QString &folder, QObject *parent);
    ~UnsavedTextKeeper() override;

    // When an editor that is gone left unsaved text, asks whether to restore
    // it and does as answered. A damaged copy is set aside and reported.
    void offerToRestore();

    // The editor closes properly: its copy goes, and nothing is written after.
    void closedProperly();

    // Writes or removes the copy now, as the timers would, and waits until
    // that is on disk.
    void keepNow();

private:
    void textChanged();
    void modificationChanged(bool modified);
    void keep();
    void waitForDisk();

    ProjectDocument &m_document;
    RecoveryCopy::Folder m_folder; // used by the writer thread only, once made
    QThreadPool m_writer;          // one thread: copies land in the order taken
    QuietTimer *m_quiet;
    QTimer *m_longest;
    bool m_closed = false;
};
