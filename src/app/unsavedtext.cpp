#include "unsavedtext.h"

#include "document/editortextedit.h"
#include "document/projectdocument.h"
#include "document/textmirror.h"
#include "lang/quiettimer.h"
#include "platform/hostservices.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextDocument>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {

// "21:14" for a copy from today, with its date otherwise.
QString whenWritten(const QDateTime &writtenAt)
{
    const QDateTime local = writtenAt.toLocalTime();
    return local.date() == QDate::currentDate()
               ? local.toString(QStringLiteral("HH:mm"))
               : local.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

} // namespace

UnsavedTextKeeper::UnsavedTextKeeper(ProjectDocument &document, const QString &folder,
                                     QObject *parent)
    : QObject(parent), m_document(document), m_folder(folder),
      m_quiet(new QuietTimer(QuietMs, this)), m_longest(new QTimer(this))
{
    m_writer.setMaxThreadCount(1);
    m_longest->setSingleShot(true);
    m_longest->setInterval(LongestMs);
    connect(m_quiet, &QuietTimer::quiet, this, &UnsavedTextKeeper::keep);
    connect(m_longest, &QTimer::timeout, this, &UnsavedTextKeeper::keep);
    QTextDocument *text = m_document.editor().document();
    connect(text, &QTextDocument::contentsChanged, this, &UnsavedTextKeeper::textChanged);
    connect(text, &QTextDocument::modificationChanged, this,
            &UnsavedTextKeeper::modificationChanged);
}

UnsavedTextKeeper::~UnsavedTextKeeper()
{
    waitForDisk();
}

void UnsavedTextKeeper::textChanged()
{
    // Two clock reads a key; the copy itself waits for a pause.
    m_quiet->poke();
    if (!m_longest->isActive())
        m_longest->start();
}

void UnsavedTextKeeper::modificationChanged(bool modified)
{
    // Saved (or undone back to what was saved): the copy goes at once.
    if (!modified)
        keep();
}

void UnsavedTextKeeper::keep()
{
    m_quiet->stop();
    m_longest->stop();
    if (m_closed)
        return;
    QTextDocument &text = *m_document.editor().document();
    if (!text.isModified()) {
        m_writer.start([this] { m_folder.remove(); });
        return;
    }
    RecoveryCopy::Contents copy{m_document.fileName(), QDateTime::currentDateTimeUtc(),
                                TextMirror::of(text).text()};
    m_writer.start([this, copy = std::move(copy)]() mutable {
        copy.text.replace(QChar::ParagraphSeparator, u'\n');
        QString error;
        // A full disk must not interrupt the typing: the next copy tries again.
        if (!m_folder.write(copy, &error))
            std::fprintf(stderr, "scrivlet: the unsaved text could not be kept: %s\n",
                         qPrintable(error));
    });
}

void UnsavedTextKeeper::waitForDisk()
{
    m_writer.waitForDone();
}

void UnsavedTextKeeper::keepNow()
{
    keep();
    waitForDisk();
}

void UnsavedTextKeeper::closedProperly()
{
    m_closed = true;
    m_quiet->stop();
    m_longest->stop();
    m_writer.start([this] { m_folder.release(); });
    waitForDisk();
}

void UnsavedTextKeeper::offerToRestore()
{
    waitForDisk();
    std::unique_ptr<RecoveryCopy::Orphan> orphan = m_folder.claimNewestOrphan();
    if (!orphan)
        return;
    HostServices &host = m_document.host();
    const RecoveryCopy::DecodeResult read = orphan->read();
    if (!read.ok) {
        const QString aside = orphan->setAside();
        host.messageBox(
            QStringLiteral("%1 did not close properly, but its copy of the unsaved text is "
                           "damaged (%2) and was not restored. It was kept as:\n%3")
                .arg(HostServices::applicationTitle(), read.error,
                     QDir::toNativeSeparators(aside.isEmpty() ? orphan->path() : aside)),
            HostServices::Buttons::Ok, HostServices::Icon::Error);
        return;
    }
    const RecoveryCopy::Contents &copy = read.contents;
    const QString name = copy.fileName.isEmpty() ? QStringLiteral("an unnamed program")
                                                 : QFileInfo(copy.fileName).fileName();
    const auto answer = host.messageBox(
        QStringLiteral("%1 did not close properly. Restore the unsaved text of %2 from %3?")
            .arg(HostServices::applicationTitle(), name, whenWritten(copy.writtenAt)),
        HostServices::Buttons::YesNo);
    if (answer == HostServices::Answer::Yes) {
        m_document.restoreUnsavedText(copy.fileName, copy.text);
        // This editor keeps it from now on, under its own name.
        keepNow();
    }
    orphan->discard();
}
