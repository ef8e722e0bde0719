#include "documentprinter.h"

#include "addresses.h"
#include "linebreaks.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <QStringList>
#include <QTextLayout>
#include <QTextOption>

namespace Output {

const QString CreditLine = QStringLiteral("Printed with Scrivlet IDE by Hollin Development - ") +
                           QLatin1String(MakerSiteAddress);

bool printText(QPrinter &printer, const QString &text)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;

    // The painter's font on a printer is the printer's default; measuring
    // with the printer as device gives its resolution, not the screen's.
    const QFont font = painter.font();
    const QFontMetricsF metrics(font, &printer);
    const qreal lineHeight = metrics.lineSpacing();
    const QRectF page(0, 0, printer.width(), printer.height());

    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(8 * metrics.horizontalAdvance(u' '));

    QStringList items{CreditLine, QString()};
    items += LineBreaks::lines(text);

    painter.setClipRect(page);
    qreal y = 0;
    for (const QString &item : std::as_const(items)) {
        if (y > 0 && y + lineHeight > page.height()) {
            if (!printer.newPage()) {
                printer.abort();
                painter.end();
                return false;
            }
            painter.setClipRect(page);
            y = 0;
        }
        if (!item.isEmpty()) {
            QTextLayout layout(item, font, &printer);
            layout.setTextOption(option);
            layout.beginLayout();
            QTextLine line = layout.createLine();
            line.setPosition(QPointF(0, 0));
            layout.endLayout();
            layout.draw(&painter, QPointF(0, y));
        }
        y += lineHeight;
    }
    // Ending the document hands the job to the printer.
    return painter.end() && printer.printerState() != QPrinter::Error;
}

} // namespace Output
