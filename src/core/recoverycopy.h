#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

class QLockFile;

// The copy of unsaved text that the editor keeps while it runs, so that a
// crash, a kill or a power cut loses a few seconds of typing at most.
//
// Each running editor owns one copy in the recovery folder, "NAME.recovery",
// and holds "NAME.lock" for as long as it runs: a copy whose lock nobody holds
// was left by an editor that did not close properly. Two editors never take
// each other's copy, and a copy is taken by one later editor only.
namespace RecoveryCopy {

struct Contents
{
    QString fileName; // the project file's path; empty for an unnamed text
    QDateTime writtenAt;
    QString text; // the editor's raw text
};

// The bytes of a copy: a short header (its kind, the file name, the time,
// the text's length and SHA-256) and the text in UTF-8.
QByteArray encode(const Contents &contents);

struct DecodeResult
{
    bool ok = false;
    Contents contents;
    QString error; // why the bytes are not a whole copy
};

// The copy in `bytes`, or why it is damaged. A copy is taken whole or not at
// all: a cut or altered text fails its length or checksum.
DecodeResult decode(const QByteArray &bytes);

// A copy left behind by an editor that is gone, claimed by this one: nobody
// else can take it while this object lives.
class Orphan
{
public:
    Orphan(std::unique_ptr<QLockFile> lock, QString path);
    ~Orphan();
    Orphan(const Orphan &) = delete;
    Orphan &operator=(const Orphan &) = delete;

    QString path() const { return m_path; }
    // Reads and checks the copy.
    DecodeResult read() const;
    // The copy is no longer wanted: removed with its lock.
    void discard();
    // A damaged copy is kept for the user under a name no editor reads
    // again; returns that name ("" when it could not be moved).
    QString setAside();

private:
    std::unique_ptr<QLockFile> m_lock;
    QString m_path;
};

// The recovery folder of one running editor.
class Folder
{
public:
    explicit Folder(QString path);
    ~Folder();
    Folder(const Folder &) = delete;
    Folder &operator=(const Folder &) = delete;

    // Claims the newest copy left by an editor that is gone; null when there
    // is none. Copies it could not claim stay for a later start.
    std::unique_ptr<Orphan> claimNewestOrphan();

    // Writes this editor's copy atomically, creating the folder and taking
    // this editor's lock first. False, with the reason, when it could not.
    bool write(const Contents &contents, QString *error = nullptr);
    // Removes this editor's copy (nothing unsaved is left).
    void remove();
    // Removes the copy and gives up the lock: the editor closed properly.
    void release();

private:
    bool claimOwnName(QString *error);
    QString copyPath() const; // this editor's copy, once it has a name

    QString m_path;
    QString m_name; // this editor's copy and lock, once claimed
    std::unique_ptr<QLockFile> m_lock;
};

// The user's recovery folder under a state folder ($XDG_STATE_HOME or its
// fallback, which the host services name).
QString folderIn(const QString &stateDirectory);

} // namespace RecoveryCopy
