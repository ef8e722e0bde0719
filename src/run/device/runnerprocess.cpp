#include "runnerprocess.h"

#include "palmpalette.h"
#include "runnerprotocol.h"
#include "runsession.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <unistd.h>
#endif
#include <csignal>

using RunnerProtocol::Type;

namespace {

// Time a runner gets to end on SIGTERM before it is killed.
constexpr int GraceMs = 80;

template <typename... Args> QByteArray message(Type type, const Args &...args)
{
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    (out << ... << args);
    return RunnerProtocol::encode(type, body);
}

} // namespace

RunnerProcess::RunnerProcess(const QString &runner, const QString &storage, QObject *parent)
    : QObject(parent), m_process(new QProcess(this)), m_killTimer(new QTimer(this)),
      m_runner(runner), m_storage(storage)
{
    qRegisterMetaType<DialogRequest>();
    qRegisterMetaType<DebugSnapshot>();
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef Q_OS_LINUX
    // The runner dies with the editor, even when the editor is killed, and
    // at once if the editor died while it was being started.
    const pid_t editor = ::getpid();
    m_process->setChildProcessModifier([editor] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != editor)
            ::_exit(1);
    });
#endif
    m_killTimer->setSingleShot(true);
    m_killTimer->setInterval(GraceMs);
    connect(m_killTimer, &QTimer::timeout, m_process, &QProcess::kill);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &RunnerProcess::readMessages);
    connect(m_process, &QProcess::finished, this, &RunnerProcess::onProcessFinished);
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(tr("The program could not be started: %1 (%2)")
                     .arg(m_process->errorString(), QDir::toNativeSeparators(m_runner)));
    });
}

RunnerProcess::~RunnerProcess()
{
    disconnect(m_process, nullptr, this, nullptr);
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(GraceMs)) {
            m_process->kill();
            m_process->waitForFinished(GraceMs);
        }
    }
}

QString RunnerProcess::defaultRunner()
{
    const QDir here(QCoreApplication::applicationDirPath());
    QString beside = here.filePath(QStringLiteral("plua-run"));
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString built = here.filePath(QStringLiteral("../bin/plua-run"));
    return QFileInfo(built).isExecutable() ? QDir::cleanPath(built) : beside;
}

void RunnerProcess::start(const QString &source, const QString &chunkName)
{
    if (m_running || m_ended)
        return;
    m_running = true;
    m_process->start(m_runner, {QStringLiteral("--serve"), QStringLiteral("--storage"), m_storage});
    // What the run starts with goes first: a short program may be over
    // before a later message is read.
    if (!m_breakpoints.isEmpty())
        send(message(Type::Breakpoints, QList<qint32>(m_breakpoints.begin(), m_breakpoints.end())));
    if (m_rate > 0)
        send(message(Type::Speed, m_rate));
    send(message(Type::Start, source, chunkName));
}

void RunnerProcess::setInstructionRate(double rate)
{
    m_rate = rate > 0 ? rate : 0;
    send(message(Type::Speed, m_rate));
}

void RunnerProcess::stop()
{
    if (!m_running)
        return;
    m_stopRequested = true;
    if (m_process->state() == QProcess::NotRunning) {
        end(true, 0, QString());
        return;
    }
    m_process->terminate();
    m_killTimer->start();
}

void RunnerProcess::send(const QByteArray &bytes)
{
    // Written while starting too: QProcess keeps it until the pipe is open.
    if (m_running)
        m_process->write(bytes);
}

void RunnerProcess::sendPen(int kind, int x, int y)
{
    send(message(Type::Pen, qint8(kind), qint16(std::clamp(x, 0, Device::Width - 1)),
                 qint16(std::clamp(y, 0, Device::Height - 1))));
}

void RunnerProcess::key(int code)
{
    send(message(Type::Key, qint32(code)));
}

void RunnerProcess::setBreakpoints(const QList<int> &lines)
{
    m_breakpoints = lines;
    send(message(Type::Breakpoints, QList<qint32>(lines.begin(), lines.end())));
}

void RunnerProcess::pause()
{
    if (!m_paused)
        send(RunnerProtocol::encode(Type::Pause, {}));
}

void RunnerProcess::resume(DebugCommand command)
{
    if (!m_paused)
        return;
    m_paused = false;
    send(message(Type::Resume, qint8(command.kind), qint32(command.line)));
}

void RunnerProcess::evaluate(int frame, const QString &expression)
{
    if (m_paused)
        send(message(Type::Evaluate, qint32(frame), expression));
}

void RunnerProcess::readMessages()
{
    m_pending += m_process->readAllStandardOutput();
    bool broken = false;
    // Of the frames that came together only the last is shown.
    QByteArray frame;
    const auto showFrame = [this, &frame] {
        if (frame.isEmpty())
            return;
        QImage image(Device::Width, Device::Height, QImage::Format_Indexed8);
        image.setColorTable(PalmPalette::colors());
        for (int y = 0; y < Device::Height; ++y)
            std::copy_n(frame.constData() + y * Device::Width, Device::Width, image.scanLine(y));
        frame.clear();
        emit frameReady(image);
    };
    while (std::optional<RunnerProtocol::Message> m = RunnerProtocol::take(m_pending, &broken)) {
        QDataStream in(m->body);
        if (m->type != Type::Frame)
            showFrame(); // before what came after it
        switch (m->type) {
        case Type::Frame:
            if (m->body.size() == Device::Width * Device::Height)
                frame = m->body;
            break;
        case Type::ScreenItems:
            in >> m_screenItems;
            emit screenItemsChanged();
            break;
        case Type::Sound: {
            QString note;
            in >> note;
            emit soundPlayed(note);
            break;
        }
        case Type::Paused: {
            DebugSnapshot snapshot;
            if (!RunnerProtocol::readSnapshot(in, snapshot)) {
                m_process->kill();
                fail(tr("The program's runner sent what it should not; it was ended"));
                return;
            }
            m_paused = true;
            emit paused(snapshot);
            break;
        }
        case Type::Resumed:
            emit resumed();
            break;
        case Type::Evaluated: {
            qint32 frame = 0;
            QString expression, result;
            in >> frame >> expression >> result;
            emit evaluated(frame, expression, result);
            break;
        }
        case Type::Finished: {
            bool stopped = false;
            qint32 line = 0;
            QString text;
            in >> stopped >> line >> text;
            end(stopped || m_stopRequested, line, m_stopRequested ? QString() : text);
            break;
        }
        default:
            break;
        }
        if (m_ended)
            return;
    }
    showFrame();
    if (broken) {
        m_process->kill();
        fail(tr("The program's runner sent what it should not; it was ended"));
    }
}

void RunnerProcess::onProcessFinished(int exitCode, QProcess::ExitStatus status)
{
    m_killTimer->stop();
    readMessages();
    if (m_ended)
        return;
    if (m_stopRequested)
        end(true, 0, QString());
    else if (status == QProcess::CrashExit)
        fail(tr("The program stopped unexpectedly (signal %1)").arg(exitCode));
    else
        fail(tr("The program stopped unexpectedly (exit status %1)").arg(exitCode));
}

void RunnerProcess::fail(const QString &message)
{
    m_failed = !m_ended;
    end(false, 0, message);
}

void RunnerProcess::end(bool stopped, int line, const QString &message)
{
    if (m_ended)
        return;
    m_ended = true;
    m_running = false;
    m_paused = false;
    emit finished(stopped, line, message);
}
