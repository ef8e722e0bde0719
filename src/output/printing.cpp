#include "printing.h"

#include "documentprinter.h"

#include "document/projectdocument.h"
#include "platform/hostservices.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLibrary>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QThread>

#include <functional>
#include <memory>

namespace Output {

namespace {

void reportFailure(HostServices &host)
{
    host.messageBox(QStringLiteral("Could not print, make sure that a printer is "
                                   "installed and that it is turned on."),
                    HostServices::Buttons::Ok, HostServices::Icon::Error);
}

// The printing window ends when the job has been handed on, not before: Esc
// and its close button would leave the editor usable while the job still
// needs it.
class StaysOpen : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if ((event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) ||
            event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Runs `job` on a thread of its own and returns its result. A print server
// that accepts the connection and then keeps silent holds the job for minutes;
// meanwhile the editor stays drawn and a window says what it is waiting for.
bool runPrintJob(QWidget &parent, const std::function<bool()> &job)
{
    bool ok = false;
    const std::unique_ptr<QThread> thread(QThread::create([&ok, &job] { ok = job(); }));
    QProgressDialog progress(QStringLiteral("Printing..."), QString(), 0, 0, &parent);
    progress.setWindowTitle(HostServices::applicationTitle());
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(0);
    progress.installEventFilter(new StaysOpen(&progress));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    // A quick job ends before the window would have been worth showing.
    if (!thread->wait(300)) {
        progress.show();
        loop.exec();
    }
    thread->wait();
    return ok;
}

// Whether the print server says that `printer` takes no jobs at the moment.
// Qt hands a finished job to CUPS without looking at the answer, so a
// refused job would otherwise pass for printed.
bool rejectsJobs(const QString &printer)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    struct CupsOption
    {
        char *name;
        char *value;
    };
    struct CupsDest
    {
        char *name;
        char *instance;
        int isDefault;
        int optionCount;
        CupsOption *options;
    };
    using GetNamedDest = CupsDest *(*)(void *, const char *, const char *);
    using GetOption = const char *(*)(const char *, int, CupsOption *);
    using FreeDests = void (*)(int, CupsDest *);
    QLibrary cups(QStringLiteral("cups"), 2);
    const auto getNamedDest = reinterpret_cast<GetNamedDest>(cups.resolve("cupsGetNamedDest"));
    const auto getOption = reinterpret_cast<GetOption>(cups.resolve("cupsGetOption"));
    const auto freeDests = reinterpret_cast<FreeDests>(cups.resolve("cupsFreeDests"));
    if (!getNamedDest || !getOption || !freeDests)
        return false;
    CupsDest *dest = getNamedDest(nullptr, printer.toLocal8Bit().constData(), nullptr);
    if (!dest)
        return false;
    const char *accepting =
        getOption("printer-is-accepting-jobs", dest->optionCount, dest->options);
    const bool rejects = accepting && qstrcmp(accepting, "false") == 0;
    freeDests(1, dest);
    return rejects;
#else
    Q_UNUSED(printer);
    return false;
#endif
}

QString jobName(const ProjectDocument &document)
{
    const QString fileName = QFileInfo(document.fileName()).fileName();
    return fileName.isEmpty() ? HostServices::applicationTitle() : fileName;
}

} // namespace

bool printDocument(HostServices &host, ProjectDocument &document, QWidget &parent)
{
    // Only the plain text goes to paper: the editor's formatting stays behind.
    const QString text = document.stageText();
    const QString name = jobName(document);

    // Finding the default printer already asks the print server, so it is
    // part of the job that runs away from the window.
    const bool printed = runPrintJob(parent, [&text, &name] {
        const QPrinterInfo defaultPrinter = QPrinterInfo::defaultPrinter();
        if (defaultPrinter.isNull() || rejectsJobs(defaultPrinter.printerName()))
            return false;
        QPrinter printer(defaultPrinter, QPrinter::HighResolution);
        printer.setDocName(name);
        return printer.isValid() && printText(printer, text);
    });
    if (!printed)
        reportFailure(host);
    return printed;
}

bool printDocument(HostServices &host, ProjectDocument &document, QWidget &parent,
                   QPrinter &printer)
{
    const QString text = document.stageText();

    // The job's name in the printer queue.
    printer.setDocName(jobName(document));

    const bool printed = runPrintJob(
        parent, [&printer, &text] { return printer.isValid() && printText(printer, text); });
    if (!printed)
        reportFailure(host);
    return printed;
}

} // namespace Output
