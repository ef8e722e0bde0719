#include "runnerchild.h"

#include "runnerprotocol.h"
#include "runsession.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QIODevice>
#include <QSocketNotifier>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

using RunnerProtocol::Type;

class Channel
{
public:
    explicit Channel(int fd) : m_fd(fd) {}

    template <typename... Args> void send(Type type, const Args &...args)
    {
        QByteArray body;
        QDataStream out(&body, QIODevice::WriteOnly);
        (out << ... << args);
        writeAll(RunnerProtocol::encode(type, body));
    }
    void sendRaw(Type type, const QByteArray &body)
    {
        writeAll(RunnerProtocol::encode(type, body));
    }

private:
    void writeAll(const QByteArray &bytes)
    {
        const char *p = bytes.constData();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, p, static_cast<size_t>(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                _exit(0); // the editor has gone
            p += n;
            left -= n;
        }
    }
    int m_fd;
};

void handle(RunSession &session, const RunnerProtocol::Message &m, bool *started)
{
    QDataStream in(m.body);
    Device &device = session.device();
    switch (m.type) {
    case Type::Start: {
        QString source, chunk;
        in >> source >> chunk;
        if (!*started) {
            *started = true;
            session.start(source, chunk);
        }
        break;
    }
    case Type::Pen: {
        qint8 kind = 0;
        qint16 x = 0, y = 0;
        in >> kind >> x >> y;
        if (kind == 0)
            device.penDown(x, y);
        else if (kind == 1)
            device.penMove(x, y);
        else
            device.penUp(x, y);
        break;
    }
    case Type::Key: {
        qint32 code = 0;
        in >> code;
        device.key(code);
        break;
    }
    case Type::Speed: {
        double rate = 0;
        in >> rate;
        session.setInstructionRate(rate);
        break;
    }
    case Type::Breakpoints: {
        QList<qint32> lines;
        in >> lines;
        session.setBreakpoints({lines.begin(), lines.end()});
        break;
    }
    case Type::Pause:
        session.pause();
        break;
    case Type::Resume: {
        qint8 kind = 0;
        qint32 line = 0;
        in >> kind >> line;
        if (kind >= 0 && kind <= static_cast<qint8>(DebugCommand::Kind::RunTo))
            session.resume({static_cast<DebugCommand::Kind>(kind), line});
        break;
    }
    case Type::Evaluate: {
        qint32 frame = 0;
        QString expression;
        in >> frame >> expression;
        session.evaluate(frame, expression);
        break;
    }
    default:
        break;
    }
}

} // namespace

int serveRunner(const QString &storage)
{
    // The messages keep standard output to themselves: anything else that
    // would print there goes to standard error.
    const int channelFd = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    ::fcntl(channelFd, F_SETFD, FD_CLOEXEC);
    Channel channel(channelFd);

    RunSession session(storage);
    QList<ScreenItem> sentItems;
    bool started = false;
    QObject::connect(&session, &RunSession::frameReady, &session, [&](const QImage &frame) {
        QByteArray pixels;
        pixels.reserve(Device::Width * Device::Height);
        for (int y = 0; y < Device::Height; ++y)
            pixels.append(reinterpret_cast<const char *>(frame.constScanLine(y)), Device::Width);
        channel.sendRaw(Type::Frame, pixels);
    });
    QObject::connect(&session, &RunSession::soundPlayed, &session,
                     [&](const QString &note) { channel.send(Type::Sound, note); });
    QObject::connect(&session, &RunSession::paused, &session, [&](const DebugSnapshot &snapshot) {
        QByteArray body;
        QDataStream out(&body, QIODevice::WriteOnly);
        RunnerProtocol::writeSnapshot(out, snapshot);
        channel.sendRaw(Type::Paused, body);
    });
    QObject::connect(&session, &RunSession::resumed, &session,
                     [&] { channel.sendRaw(Type::Resumed, {}); });
    QObject::connect(&session, &RunSession::evaluated, &session,
                     [&](int frame, const QString &expression, const QString &result) {
                         channel.send(Type::Evaluated, qint32(frame), expression, result);
                     });
    QObject::connect(&session, &RunSession::finished, &session,
                     [&](bool stopped, int line, const QString &message) {
                         channel.send(Type::Finished, stopped, qint32(line), message);
                         QCoreApplication::exit(0);
                     });
    // What a screen reader reads has no picture of its own: it is looked at
    // as often as frames.
    QTimer wordsTimer;
    wordsTimer.setInterval(15);
    QObject::connect(&wordsTimer, &QTimer::timeout, &session, [&] {
        const QList<ScreenItem> screenItems = session.device().screenItems();
        if (screenItems != sentItems) {
            sentItems = screenItems;
            channel.send(Type::ScreenItems, screenItems);
        }
    });
    wordsTimer.start();

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &session, [&] {
        char chunk[65536];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        if (n <= 0)
            _exit(0); // the editor closed the run or died: end, whatever runs
        pending.append(chunk, n);
        bool broken = false;
        while (std::optional<RunnerProtocol::Message> m = RunnerProtocol::take(pending, &broken))
            handle(session, *m, &started);
        if (broken)
            _exit(2);
    });
    const int status = QCoreApplication::exec();
    // The program's thread may still be inside a long C call: no waiting.
    std::fflush(stderr);
    _exit(status);
}
