#include "pluaoutline.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>

namespace PluaOutline {

QList<Function> functions(const QTextDocument &document)
{
    static const QRegularExpression declared(
        QStringLiteral(R"(^\s*(?:local\s+)?function\s+([A-Za-z_][\w.:]*)\s*\()"));
    static const QRegularExpression assigned(
        QStringLiteral(R"(^\s*(?:local\s+)?([A-Za-z_][\w.]*)\s*=\s*function\s*\()"));
    QList<Function> list;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        // Most lines say neither: one cheap test first.
        if (!text.contains(QLatin1String("function")))
            continue;
        QRegularExpressionMatch match = declared.match(text);
        if (!match.hasMatch())
            match = assigned.match(text);
        if (match.hasMatch())
            list.append({match.captured(1), block.blockNumber() + 1});
    }
    return list;
}

} // namespace PluaOutline
