#include "commandline.h"

namespace CommandLine {

QString filePath(QString commandLine)
{
    commandLine.remove(u'"');
    // Blanks only: the path may well hold other white space of its own.
    qsizetype begin = 0, end = commandLine.size();
    while (begin < end && commandLine[begin] == u' ')
        ++begin;
    while (end > begin && commandLine[end - 1] == u' ')
        --end;
    return commandLine.sliced(begin, end - begin);
}

} // namespace CommandLine
