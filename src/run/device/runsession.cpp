#include "runsession.h"
#include "textfile.h"

#include "pluadevicelib.h"
#include "run/pluaengine.h"

#include <QMetaObject>
#include <QStandardPaths>
#include <QTimer>

RunSession::RunSession(const QString &databaseFolder, QObject *parent)
    : QObject(parent), m_device(std::make_unique<Device>(databaseFolder)),
      m_frameTimer(new QTimer(this))
{
    qRegisterMetaType<DialogRequest>();
    qRegisterMetaType<DebugSnapshot>();
    // A little under 1/60 s, so a program that draws without pause is shown
    // at 60 frames a second at least.
    m_frameTimer->setInterval(15);
    m_frameTimer->setTimerType(Qt::PreciseTimer);
    connect(m_frameTimer, &QTimer::timeout, this, &RunSession::pollFrame);
    m_device->setOutput([this](const QByteArray &text) { emit output(text); });
    // Sounds are passed on once a frame, the latest one: a program beeping
    // without pause cannot flood whoever listens.
    m_device->setSoundObserver([this](const QString &note) {
        const std::lock_guard lock(m_soundMutex);
        m_pendingSound = note;
    });
}

RunSession::~RunSession()
{
    stop();
    if (m_thread.joinable())
        m_thread.join();
}

QString RunSession::defaultDatabaseFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Scrivlet IDE/palm-databases");
}

void RunSession::start(const QString &source, const QString &chunkName)
{
    if (m_running || m_thread.joinable())
        return;
    m_running = true;
    m_frameTimer->start();
    // Programs are text in the handheld's character set, Latin-1.
    const std::string text = TextFile::toWindows1252(source).append('\n').toStdString();
    const std::string chunk = chunkName.toStdString();
    m_thread = std::thread([this, text, chunk] {
        bool stopped = false;
        std::optional<PluaEngine::Failure> failure;
        {
            PluaEngine engine;
            engine.setStorageFolder(m_device->databases().folder().toStdString());
            engine.setOutput([this](std::string_view s) {
                emit output(QByteArray(s.data(), static_cast<qsizetype>(s.size())));
            });
            registerPluaLibrary(engine.state(), *m_device);
            engine.setPauseHandler(
                [this](PausedProgram &program) { return waitWhilePaused(program); });
            m_device->setWaitInterrupter([&engine] { engine.pauseIfRequested(); });
            {
                const std::lock_guard lock(m_engineMutex);
                m_engine = &engine;
                engine.setInstructionRate(m_rate);
                if (m_stopRequested)
                    engine.requestStop();
                engine.setBreakpoints({m_breakpoints.begin(), m_breakpoints.end()});
            }
            failure = engine.load(text, chunk);
            if (!failure)
                failure = engine.run();
            m_device->setWaitInterrupter({});
            // Home ended it while it waited: an ordinary end.
            if (failure && m_device->inputEnded())
                failure.reset();
            const std::lock_guard lock(m_engineMutex);
            m_engine = nullptr;
            stopped = m_stopRequested;
        }
        const int line = failure ? failure->line : 0;
        const QString message =
            failure && !stopped ? QString::fromStdString(failure->message) : QString();
        QMetaObject::invokeMethod(
            this, [this, stopped, line, message] { onThreadDone(stopped, line, message); },
            Qt::QueuedConnection);
    });
}

void RunSession::stop()
{
    {
        const std::lock_guard lock(m_engineMutex);
        m_stopRequested = true;
        if (m_engine)
            m_engine->requestStop();
        m_device->requestStop();
    }
    const std::lock_guard lock(m_debugMutex);
    m_debugWake.notify_all();
}

void RunSession::setBreakpoints(const QList<int> &lines)
{
    const std::lock_guard lock(m_engineMutex);
    m_breakpoints = lines;
    if (m_engine)
        m_engine->setBreakpoints({lines.begin(), lines.end()});
}

void RunSession::pause()
{
    const std::lock_guard lock(m_engineMutex);
    if (!m_engine || m_paused)
        return;
    m_engine->requestPause();
    m_device->interruptWait();
}

void RunSession::resume(DebugCommand command)
{
    if (!m_paused)
        return;
    m_paused = false;
    const std::lock_guard lock(m_debugMutex);
    m_debugRequests.push_back({command, false, 0, {}});
    m_debugWake.notify_all();
}

void RunSession::evaluate(int frame, const QString &expression)
{
    if (!m_paused)
        return;
    const std::lock_guard lock(m_debugMutex);
    m_debugRequests.push_back({{}, true, frame, expression});
    m_debugWake.notify_all();
}

DebugCommand RunSession::waitWhilePaused(PausedProgram &program)
{
    // On the program's thread: the window hears of the pause, and the
    // program waits here for how to go on, answering expressions meanwhile.
    {
        const std::lock_guard lock(m_debugMutex);
        m_debugRequests.clear();
    }
    const DebugSnapshot snapshot = program.snapshot();
    QMetaObject::invokeMethod(
        this,
        [this, snapshot] {
            m_paused = true;
            pollFrame(); // the screen as it is now
            emit paused(snapshot);
        },
        Qt::QueuedConnection);
    for (;;) {
        std::unique_lock lock(m_debugMutex);
        m_debugWake.wait(lock, [this] { return !m_debugRequests.empty() || m_device->stopped(); });
        if (m_device->stopped())
            return {};
        DebugRequest request = m_debugRequests.front();
        m_debugRequests.pop_front();
        lock.unlock();
        if (!request.evaluate) {
            QMetaObject::invokeMethod(
                this, [this] { emit resumed(); }, Qt::QueuedConnection);
            return request.command;
        }
        // Programs are text in the handheld's character set, Latin-1.
        const QByteArray text = TextFile::toWindows1252(request.expression);
        const std::string result = program.evaluate(
            request.frame,
            std::string_view(text.constData(), static_cast<std::size_t>(text.size())));
        const QString shown =
            QString::fromLatin1(result.data(), static_cast<qsizetype>(result.size()));
        QMetaObject::invokeMethod(
            this,
            [this, frame = request.frame, expression = request.expression, shown] {
                emit evaluated(frame, expression, shown);
            },
            Qt::QueuedConnection);
    }
}

void RunSession::setInstructionRate(double rate)
{
    const std::lock_guard lock(m_engineMutex);
    m_rate = rate;
    if (m_engine)
        m_engine->setInstructionRate(rate);
}

void RunSession::pollFrame()
{
    QString sound;
    {
        const std::lock_guard lock(m_soundMutex);
        sound.swap(m_pendingSound);
    }
    if (!sound.isEmpty())
        emit soundPlayed(sound);
    if (std::optional<QImage> frame = m_device->takeFrameIfChanged())
        emit frameReady(*frame);
}

void RunSession::onThreadDone(bool stopped, int line, const QString &message)
{
    if (m_thread.joinable())
        m_thread.join();
    m_frameTimer->stop();
    pollFrame(); // the last picture
    m_running = false;
    m_paused = false;
    emit finished(stopped, line, message);
}
