#include "linebreaks.h"

namespace LineBreaks {

QString normalized(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

QStringList lines(const QString &text)
{
    return normalized(text).split(u'\n');
}

} // namespace LineBreaks
