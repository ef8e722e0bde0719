// plua-run: runs a Plua 1 program on the simulated handheld without a
// display, fed by a script of events; prints what the program prints and
// writes the screen as PNG pictures.

#include "device.h"
#include "eventscript.h"
#include "palmdatabases.h"
#include "pluadevicelib.h"
#include "run/pluaengine.h"
#include "runnerchild.h"
#include "runnersandbox.h"
#include "runsession.h"
#include "textfile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#ifndef PLUA_RUN_VERSION
#define PLUA_RUN_VERSION "unknown"
#endif

namespace {

enum ExitCode : int {
    Finished = 0,
    Failed = 1,
    UsageError = 2,
};

constexpr const char *Help =
    R"(Usage: plua-run FILE [--events FILE] [--screenshot PNG] [--timeout SECONDS]
                [--storage FOLDER] [--import PDB]... [--export NAME=PDB]...
                [--break LINE]...
       plua-run --serve [--storage FOLDER]
       plua-run --help | --version

Runs the Plua 1 program FILE on a simulated 160 x 160 handheld, without a
display. What the program prints goes to standard output.

  --events FILE      input for the program, one step a line, given to it
                     each time it waits for input:
                       tap X Y | down X Y | move X Y | up X Y
                       key K  (a character, a code such as 13 or 0x0D, or
                               enter, backspace, space)
                       type TEXT
                       button hard1|hard2|hard3|hard4|up|down|menu|home|find|calc
                       menu N  (the first item is 1)
                       wait MS
                       answer ok|cancel|yes|no | answer text TEXT
                       answer date Y M D | answer time H M
                       screenshot PNG
                     Lines starting with # are comments. When the steps run
                     out and the program waits for more input, the run ends.
                     Dialogs and the menu show on the screen, where tap and
                     key steps reach them; button home ends the program.
  --screenshot PNG   writes the screen as a PNG picture when the run ends
  --timeout SECONDS  stops the program after SECONDS (default 10; 0: never),
                     whatever it is doing
  --storage FOLDER   the handheld's storage: the program's databases and the
                     files its file functions use are in FOLDER and nowhere
                     else (default: the per-user folder the editor uses)
  --databases FOLDER the same as --storage
  --import PDB       before the run, reads the Palm database file PDB (.pdb
                     or .prc, as a HotSync backup holds it) into the storage,
                     replacing a database of the same name; may be repeated.
                     A damaged file is an error and nothing is imported
  --export NAME=PDB  after the run, writes the database NAME (up to the
                     first =) as the Palm database file PDB, which the
                     handheld installs; may be repeated. A database that
                     came from --import keeps its header, record attributes
                     and unique ids: unchanged, it is the same bytes
  --break LINE       each time the program reaches LINE (or the first line
                     with code after it), prints its call stack and the
                     variables of the function there, then goes on; may be
                     repeated. Strings are quoted, tables show their entries
  --serve            runs one program for the editor: the program and its
                     input come on standard input, its screen and dialogs
                     go to standard output, in the editor's own format
  --help             show this help
  --version          show the version

Without --events the program gets no input: the run ends the first time it
waits for some. The events file is a regular file of at most 1 MB. A
program may use 256 MB of memory at most.

Exit status:
  0  the program ended, or waited for input after the last step
  1  a syntax or run-time error, a time-out or a failed step; the message
     goes to standard error as FILE:LINE: message
  2  usage error, or FILE, the events file or an imported file cannot be
     read or is damaged
An export that fails makes the status 1, and the message goes to standard
error.
)";

// Qt's own notes (a missing runtime folder and the like) would mix with the
// program's messages on standard error; only real faults are shown.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "plua-run: %s\n", qPrintable(message));
}

int usage(const char *message)
{
    std::fprintf(stderr, "plua-run: %s\nTry 'plua-run --help'.\n", message);
    return UsageError;
}

struct Options
{
    QString program;
    QString events;
    QString screenshot;
    QString storage;
    QStringList imports;
    QList<std::pair<QString, QString>> exports; // database name, file
    std::vector<int> breaks;
    double timeout = 10;
    bool serve = false;
};

// The largest events file taken: far more steps than any run needs.
constexpr qint64 MaxEventsBytes = 1024 * 1024;
// Time a stopped program gets to reach the next instruction before the
// process ends without it (it may be inside one long C call).
constexpr auto StopGrace = std::chrono::milliseconds(300);

// Stops the run when the time is up, unless the run ends first; when the
// program does not stop (a pattern match in C), `stuck` ends the process.
class Watchdog
{
public:
    Watchdog(double seconds, PluaEngine &engine, Device &device, const std::function<void()> &stuck)
    {
        if (seconds <= 0)
            return;
        m_thread = std::thread([this, seconds, &engine, &device, stuck] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, std::chrono::duration<double>(seconds),
                                 [this] { return m_finished; })) {
                m_fired = true;
                engine.requestStop();
                device.requestStop();
                if (!m_done.wait_for(lock, StopGrace, [this] { return m_finished; }))
                    stuck();
            }
        });
    }
    ~Watchdog() { finish(); }
    void finish()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }
    bool fired() const { return m_fired; }

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    bool m_fired = false;
};

int run(const Options &options)
{
    const TextFile::ReadResult read = TextFile::readFile(options.program);
    if (!read.ok()) {
        std::fprintf(stderr, "plua-run: cannot read %s: %s\n", qPrintable(options.program),
                     read.error.toUtf8().constData());
        return UsageError;
    }
    std::optional<EventScript> script = EventScript::parse(QString(), nullptr);
    if (!options.events.isEmpty()) {
        // Looked at before opening: opening a FIFO would wait for a writer.
        struct stat st;
        const QByteArray eventsPath = QFile::encodeName(options.events);
        if (::stat(eventsPath.constData(), &st) == 0 &&
            (!S_ISREG(st.st_mode) || st.st_size > MaxEventsBytes)) {
            std::fprintf(stderr, "plua-run: cannot read %s: %s\n", qPrintable(options.events),
                         S_ISREG(st.st_mode) ? "larger than 1 MB" : "not a regular file");
            return UsageError;
        }
        QFile file(options.events);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "plua-run: cannot read %s: %s\n", qPrintable(options.events),
                         qPrintable(file.errorString()));
            return UsageError;
        }
        QString error;
        script = EventScript::parse(QString::fromUtf8(file.read(MaxEventsBytes)), &error);
        if (!script) {
            std::fprintf(stderr, "%s:%s\n", qPrintable(options.events), qPrintable(error));
            return UsageError;
        }
    }

    // The program and its input can be read: now the imports.
    {
        // Every file is read and checked before any is stored: one damaged
        // file leaves the storage as it was.
        PalmDatabases databases(options.storage);
        QList<PalmDatabases::Database> imported;
        for (const QString &file : std::as_const(options.imports)) {
            std::optional<PalmDatabases::Database> db = databases.readPalmFile(file);
            if (!db) {
                std::fprintf(stderr, "plua-run: %s\n", qPrintable(databases.errorString()));
                return UsageError;
            }
            imported.append(std::move(*db));
        }
        for (const PalmDatabases::Database &db : std::as_const(imported)) {
            if (!databases.importDatabase(db)) {
                std::fprintf(stderr, "plua-run: %s\n", qPrintable(databases.errorString()));
                return UsageError;
            }
        }
    }

    // Limits and walls before any of the program runs; screenshots may be
    // written where they were asked for.
    QList<QByteArray> pictureFolders;
    QStringList pictures = script->screenshotPaths();
    if (!options.screenshot.isEmpty())
        pictures.append(options.screenshot);
    for (const auto &[name, file] : options.exports)
        pictures.append(file);
    for (const QString &picture : pictures)
        pictureFolders.append(QFile::encodeName(QFileInfo(picture).absolutePath()));
    RunnerSandbox::confine(QFile::encodeName(options.storage), pictureFolders);

    const QString storage = options.storage;
    Device device(storage);
    PluaEngine engine;
    engine.setStorageFolder(QFile::encodeName(storage).toStdString());
    const auto toStdout = [](std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
    };
    engine.setOutput(toStdout);
    device.setOutput([toStdout](const QByteArray &text) {
        toStdout(std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
    });
    registerPluaLibrary(engine.state(), device);
    script->attach(device);
    if (!options.breaks.empty()) {
        engine.setPauseHandler([toStdout](PausedProgram &paused) {
            toStdout(breakReport(paused.snapshot()));
            return DebugCommand{};
        });
        engine.setBreakpoints(options.breaks);
    }

    // Programs are stored in the handheld's character set, Latin-1.
    // The engine takes it as the handheld does (plua::handheldText).
    const QByteArray source = TextFile::toWindows1252(read.text);
    // Messages name the file as it was given; the engine gets its short name.
    const std::string shown = QFile::encodeName(options.program).toStdString();
    const std::string chunk =
        QFile::encodeName(QFileInfo(options.program).fileName()).toStdString();
    std::optional<PluaEngine::Failure> failure = engine.load(
        std::string_view(source.constData(), static_cast<std::size_t>(source.size())), chunk);
    bool timedOut = false;
    const auto timeOutMessage = [&options] {
        return "time-out: still running after " + QString::number(options.timeout).toStdString() +
               " s";
    };
    if (!failure) {
        Watchdog watchdog(options.timeout, engine, device, [&] {
            std::fprintf(stderr, "%s: %s\n", shown.c_str(), timeOutMessage().c_str());
            if (!options.screenshot.isEmpty()) {
                if (const std::optional<QString> error =
                        EventScript::saveScreenshot(device, options.screenshot))
                    std::fprintf(stderr, "plua-run: %s\n", qPrintable(*error));
            }
            std::fflush(stdout);
            std::fflush(stderr);
            _exit(Failed);
        });
        failure = engine.run();
        watchdog.finish();
        timedOut = watchdog.fired();
    }
    // Waiting for input after the script's last step ends the run normally;
    // a step that failed is reported on its own below.
    if (failure && !timedOut && device.inputEnded())
        failure.reset();

    int status = Finished;
    if (failure) {
        std::string message = failure->message;
        if (timedOut)
            message = timeOutMessage();
        if (failure->line > 0)
            std::fprintf(stderr, "%s:%d: %s\n", shown.c_str(), failure->line, message.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", shown.c_str(), message.c_str());
        status = Failed;
    }
    if (!script->errorString().isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(options.events),
                     qPrintable(script->errorString()));
        status = Failed;
    }
    if (!options.screenshot.isEmpty()) {
        if (const std::optional<QString> error =
                EventScript::saveScreenshot(device, options.screenshot)) {
            std::fprintf(stderr, "plua-run: %s\n", qPrintable(*error));
            status = Failed;
        }
    }
    return status;
}

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!optionsEnded && std::strcmp(arg, "--help") == 0) {
            std::fputs(Help, stdout);
            return Finished;
        }
        if (!optionsEnded && std::strcmp(arg, "--version") == 0) {
            std::printf("plua-run %s\n", PLUA_RUN_VERSION);
            return Finished;
        }
        if (!optionsEnded && std::strcmp(arg, "--serve") == 0) {
            options.serve = true;
            continue;
        }
        if (!optionsEnded && std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && std::strncmp(arg, "--", 2) == 0) {
            QString *target = nullptr;
            const bool exportOption = std::strcmp(arg, "--export") == 0;
            if (std::strcmp(arg, "--import") == 0)
                target = &options.imports.emplace_back();
            else if (exportOption)
                target = &options.exports.emplace_back().second;
            else if (std::strcmp(arg, "--events") == 0)
                target = &options.events;
            else if (std::strcmp(arg, "--screenshot") == 0)
                target = &options.screenshot;
            else if (std::strcmp(arg, "--storage") == 0 || std::strcmp(arg, "--databases") == 0)
                target = &options.storage;
            else if (std::strcmp(arg, "--break") == 0) {
                bool ok = false;
                const int line = i + 1 < argc ? QByteArray(argv[i + 1]).toInt(&ok) : 0;
                if (!ok || line <= 0)
                    return usage("--break needs a line number");
                options.breaks.push_back(line);
                ++i;
                continue;
            } else if (std::strcmp(arg, "--timeout") != 0)
                return usage((std::string("unknown option ") + arg).c_str());
            if (i + 1 >= argc)
                return usage((std::string(arg) + " needs a value").c_str());
            const char *value = argv[++i];
            if (exportOption) {
                const QString nameAndFile = QFile::decodeName(value);
                const qsizetype equals = nameAndFile.indexOf(u'=');
                if (equals <= 0 || equals + 1 == nameAndFile.size())
                    return usage("--export needs NAME=FILE");
                options.exports.back() = {nameAndFile.left(equals), nameAndFile.mid(equals + 1)};
            } else if (target) {
                *target = QFile::decodeName(value);
            } else {
                bool ok = false;
                options.timeout = QString::fromLocal8Bit(value).toDouble(&ok);
                if (!ok || options.timeout < 0)
                    return usage("--timeout needs a number of seconds");
            }
            continue;
        }
        if (!options.program.isEmpty())
            return usage("only one FILE can be run");
        options.program = QFile::decodeName(arg);
    }
    if (options.serve && (!options.imports.isEmpty() || !options.exports.isEmpty()))
        return usage("--import and --export do not go with --serve");
    if (options.serve && !options.breaks.empty())
        return usage("--break does not go with --serve: the editor sets its breakpoints");
    if (options.serve && !options.program.isEmpty())
        return usage("--serve takes its program on standard input");
    if (!options.serve && options.program.isEmpty())
        return usage("no FILE given");
    if (options.storage.isEmpty())
        options.storage = RunSession::defaultDatabaseFolder();

    // Headless whatever the environment: the screen is an image, and fonts
    // need a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    if (!QDir().mkpath(options.storage)) {
        std::fprintf(stderr, "plua-run: cannot make the storage folder %s\n",
                     qPrintable(options.storage));
        return UsageError;
    }
    if (options.serve) {
        RunnerSandbox::confine(QFile::encodeName(options.storage), {});
        return serveRunner(options.storage);
    }
    int status = run(options);
    if (status == UsageError) // no run
        return status;
    // The run's databases are written back by now.
    PalmDatabases databases(options.storage);
    for (const auto &[name, file] : std::as_const(options.exports)) {
        if (!databases.exportFile(name, file)) {
            std::fprintf(stderr, "plua-run: %s\n", qPrintable(databases.errorString()));
            status = Failed;
        }
    }
    return status;
}
