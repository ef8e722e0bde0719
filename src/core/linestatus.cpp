#include "linestatus.h"

QString lineStatusText(int caretLine, int lineCount)
{
    return QStringLiteral("Line %1 of %2").arg(caretLine).arg(lineCount);
}
