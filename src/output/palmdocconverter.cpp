#include "palmdocconverter.h"

#include "platform/hostservices.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>

#include <algorithm>

#ifdef Q_OS_WIN
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace {

// The converter's complaint is one line; anything beyond this is noise that
// must not grow without bound while the converter runs.
constexpr qsizetype MaxErrorBytes = 16 * 1024;

QString shownPath(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

PalmDocConverter::PalmDocConverter(QObject *parent) : QObject(parent) {}

PalmDocConverter::~PalmDocConverter()
{
    // The editor's close waits for conversions where the user can see it;
    // anything still running now belongs to a program that is ending without
    // a window to show it, so it is stopped rather than waited for unseen.
    for (auto it = m_conversions.cbegin(); it != m_conversions.cend(); ++it) {
        QProcess *process = it.key();
        QObject::disconnect(process, nullptr, this, nullptr);
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(5000);
        }
        if (!it->temporaryInput.isEmpty())
            QFile::remove(it->temporaryInput);
    }
}

bool PalmDocConverter::start(const QString &converter, const QString &input, const QString &output,
                             const QString &docName, Input inputAfterwards)
{
    const QString temporaryInput = inputAfterwards == Input::Remove ? input : QString();
    if (!QFileInfo(converter).isFile()) {
        if (!temporaryInput.isEmpty())
            QFile::remove(temporaryInput);
        emit conversionFailed(QStringLiteral("The Palm DOC converter \"%1\" was not found, so no "
                                             "Palm DOC was made.")
                                  .arg(shownPath(converter)));
        emit conversionEnded(output, false);
        return false;
    }

    auto *process = new QProcess(this);
    m_conversions.insert(process, Conversion{output, temporaryInput, {}, false});
    process->setProgram(converter);
    process->setArguments({input, output, docName});
    process->setStandardInputFile(QProcess::nullDevice());
    // Nothing is read from standard output, so it must not fill a pipe.
    process->setStandardOutputFile(QProcess::nullDevice());
#ifdef Q_OS_WIN
    // A console program would otherwise flash up a console window.
    process->setCreateProcessArgumentsModifier(
        [](QProcess::CreateProcessArguments *arguments) { arguments->flags |= CREATE_NO_WINDOW; });
#endif

    connect(process, &QProcess::readyReadStandardError, this,
            [this, process] { collectErrorText(process); });
    connect(process, &QProcess::errorOccurred, this, [this, process](QProcess::ProcessError error) {
        // A process that started and then failed also ends with finished(),
        // which reports it.
        if (error == QProcess::FailedToStart) {
            end(process, QStringLiteral("The Palm DOC converter \"%1\" could not be started: %2")
                             .arg(shownPath(process->program()), process->errorString()));
        }
    });
    connect(process, &QProcess::finished, this,
            [this, process](int exitCode, QProcess::ExitStatus status) {
                processFinished(process, exitCode, status == QProcess::CrashExit);
            });
    process->start();
    return true;
}

int PalmDocConverter::runningCount() const
{
    int running = 0;
    for (auto it = m_conversions.cbegin(); it != m_conversions.cend(); ++it) {
        if (it.key()->state() != QProcess::NotRunning)
            ++running;
    }
    return running;
}

void PalmDocConverter::waitForAll(QWidget *parent)
{
    if (m_conversions.isEmpty())
        return;
    QProgressDialog progress(QStringLiteral("A Palm DOC export is still running. The program "
                                            "ends when it has finished."),
                             QStringLiteral("Stop Export"), 0, 0, parent);
    progress.setWindowTitle(HostServices::applicationTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(0);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QEventLoop loop;
    connect(this, &PalmDocConverter::conversionEnded, &loop, [this, &loop] {
        if (m_conversions.isEmpty())
            loop.quit();
    });
    connect(&progress, &QProgressDialog::canceled, this, &PalmDocConverter::stopAll);
    progress.show();
    loop.exec();
}

void PalmDocConverter::stopAll()
{
    for (auto it = m_conversions.begin(); it != m_conversions.end(); ++it) {
        if (it.key()->state() != QProcess::NotRunning) {
            it->stopped = true;
            it.key()->kill();
        }
    }
}

void PalmDocConverter::collectErrorText(QProcess *process)
{
    QByteArray &collected = m_conversions[process].errorText;
    const QByteArray more = process->readAllStandardError();
    collected.append(more.left(std::max<qsizetype>(0, MaxErrorBytes - collected.size())));
}

void PalmDocConverter::processFinished(QProcess *process, int exitCode, bool crashed)
{
    collectErrorText(process);
    const QString said = QString::fromLocal8Bit(m_conversions.value(process).errorText).trimmed();
    const QString converter = shownPath(process->program());
    if (m_conversions.value(process).stopped) {
        end(process, QStringLiteral("The Palm DOC export to \"%1\" was stopped before it had "
                                    "finished; the file may be missing or incomplete.")
                         .arg(shownPath(m_conversions.value(process).output)));
    } else if (crashed) {
        QString text =
            QStringLiteral("The Palm DOC converter \"%1\" stopped unexpectedly.").arg(converter);
        if (!said.isEmpty())
            text += QStringLiteral("\n\n") + said;
        end(process, text);
    } else if (exitCode != 0) {
        // The converter's own words say best what went wrong.
        end(process, !said.isEmpty() ? said
                                     : QStringLiteral("The Palm DOC converter \"%1\" failed "
                                                      "with exit code %2.")
                                           .arg(converter)
                                           .arg(exitCode));
    } else {
        end(process, QString());
    }
}

void PalmDocConverter::end(QProcess *process, const QString &failure)
{
    const Conversion conversion = m_conversions.take(process);
    const QString &output = conversion.output;
    if (!conversion.temporaryInput.isEmpty())
        QFile::remove(conversion.temporaryInput);
    QObject::disconnect(process, nullptr, this, nullptr);
    process->deleteLater();
    if (!failure.isEmpty())
        emit conversionFailed(failure);
    emit conversionEnded(output, failure.isEmpty());
}
