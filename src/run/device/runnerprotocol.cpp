#include "runnerprotocol.h"

#include <QtEndian>

namespace RunnerProtocol {

QByteArray encode(Type type, const QByteArray &body)
{
    QByteArray out(5, Qt::Uninitialized);
    qToLittleEndian<quint32>(static_cast<quint32>(body.size() + 1), out.data());
    out[4] = static_cast<char>(type);
    out += body;
    return out;
}

std::optional<Message> take(QByteArray &buffer, bool *broken)
{
    *broken = false;
    if (buffer.size() < 5)
        return std::nullopt;
    const quint32 length = qFromLittleEndian<quint32>(buffer.constData());
    if (length == 0 || length > MaxMessage) {
        *broken = true;
        return std::nullopt;
    }
    if (static_cast<quint64>(buffer.size()) < 4 + static_cast<quint64>(length))
        return std::nullopt;
    Message m{static_cast<Type>(buffer.at(4)), buffer.mid(5, length - 1)};
    buffer.remove(0, 4 + length);
    return m;
}

namespace {

// Deeper than any table a pause gathers; a stream nested deeper is broken.
constexpr int MaxValueDepth = 16;

QByteArray bytes(const std::string &s)
{
    return {s.data(), static_cast<qsizetype>(s.size())};
}

std::string text(const QByteArray &b)
{
    return {b.constData(), static_cast<std::size_t>(b.size())};
}

void writeValues(QDataStream &out, const std::vector<DebugValue> &values)
{
    out << quint32(values.size());
    for (const DebugValue &v : values) {
        out << bytes(v.name) << bytes(v.value) << bytes(v.type) << v.cut;
        writeValues(out, v.children);
    }
}

bool readValues(QDataStream &in, std::vector<DebugValue> &values, int depth)
{
    quint32 count = 0;
    in >> count;
    if (depth > MaxValueDepth || in.status() != QDataStream::Ok) {
        in.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    for (quint32 i = 0; i < count; ++i) {
        QByteArray name, value, type;
        DebugValue v;
        in >> name >> value >> type >> v.cut;
        if (in.status() != QDataStream::Ok)
            return false;
        v.name = text(name);
        v.value = text(value);
        v.type = text(type);
        if (!readValues(in, v.children, depth + 1))
            return false;
        values.push_back(std::move(v));
    }
    return true;
}

} // namespace

void writeSnapshot(QDataStream &out, const DebugSnapshot &snapshot)
{
    out << qint32(snapshot.line) << quint32(snapshot.frames.size());
    for (const DebugFrame &frame : snapshot.frames) {
        out << bytes(frame.function) << qint32(frame.line);
        writeValues(out, frame.locals);
        writeValues(out, frame.upvalues);
    }
    writeValues(out, snapshot.globals);
}

bool readSnapshot(QDataStream &in, DebugSnapshot &snapshot)
{
    qint32 line = 0;
    quint32 frames = 0;
    in >> line >> frames;
    snapshot.line = line;
    for (quint32 i = 0; i < frames && in.status() == QDataStream::Ok; ++i) {
        DebugFrame frame;
        QByteArray function;
        qint32 at = 0;
        in >> function >> at;
        frame.function = text(function);
        frame.line = at;
        if (!readValues(in, frame.locals, 0) || !readValues(in, frame.upvalues, 0))
            return false;
        snapshot.frames.push_back(std::move(frame));
    }
    return readValues(in, snapshot.globals, 0) && in.status() == QDataStream::Ok;
}

} // namespace RunnerProtocol
