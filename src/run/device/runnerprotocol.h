#pragma once

#include "run/pluadebug.h"

#include <QByteArray>
#include <QDataStream>

#include <optional>

// The messages between the editor and the runner, the child process a
// program runs in. Each is a 4-byte little-endian length, a type byte and a
// QDataStream body; the runner's standard input and output carry them.
namespace RunnerProtocol {

enum class Type : quint8 {
    // editor to runner
    Start = 1,   // QString source, QString chunk name
    Pen,         // qint8 kind (0 down, 1 move, 2 up), qint16 x, qint16 y
    Key,         // qint32 code
    Breakpoints, // QList<qint32> lines
    Pause,       // nothing
    Resume,      // qint8 DebugCommand::Kind, qint32 line
    Evaluate,    // qint32 frame, QString expression
    // double VM instructions a second, 0 for full speed
    Speed = 12,
    // runner to editor
    Frame = 16, // 160 x 160 palette indices, raw
    Sound,      // QString note
    Finished,   // bool stopped, qint32 line, QString message
    Paused,     // DebugSnapshot
    Resumed,    // nothing
    Evaluated,  // qint32 frame, QString expression, QString result
    // QList<ScreenItem>: the screen in words
    ScreenItems = 28,
};

// A message's body stays far below this; anything longer is a broken stream.
constexpr quint32 MaxMessage = 16 * 1024 * 1024;

struct Message
{
    Type type;
    QByteArray body;
};

QByteArray encode(Type type, const QByteArray &body);

// Takes one whole message off the front of `buffer`; nothing while it is
// incomplete. `broken` is set for a length beyond MaxMessage.
std::optional<Message> take(QByteArray &buffer, bool *broken);

// A snapshot as the runner sends it. Reading refuses one nested deeper
// than a pause gathers, leaving the stream's status bad.
void writeSnapshot(QDataStream &out, const DebugSnapshot &snapshot);
bool readSnapshot(QDataStream &in, DebugSnapshot &snapshot);

} // namespace RunnerProtocol
