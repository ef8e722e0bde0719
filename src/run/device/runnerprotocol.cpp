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

} // namespace RunnerProtocol
