#pragma once

#include "outputfixture.h"

#include "output/documentprinter.h"

#include <QRegularExpression>
#include <QStringList>

// Reading printed pages back: pdftotext keeps each printed line on a line of
// its own in layout mode. It guesses blanks from the gaps between letters,
// and guesses differently for a proportional font and tab stops, so lines
// are compared without their blanks; the empty lines at a page's end are not
// on paper.
inline QStringList pdfPages(const QString &pdf)
{
    const QByteArray text =
        runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QStringList pages = QString::fromUtf8(text).split(u'\f');
    if (!pages.isEmpty() && pages.last().isEmpty())
        pages.removeLast();
    return pages;
}

inline QStringList comparableLines(const QStringList &lines)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList out;
    for (QString line : lines)
        out.append(line.remove(blanks));
    while (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

inline QStringList pageLines(const QString &page)
{
    return comparableLines(page.split(u'\n'));
}

// What a document should look like on paper: the credit line, an empty
// line, then the document's lines.
inline QStringList expectedPaper(const QString &documentText)
{
    QString text = documentText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return comparableLines(QStringList{Output::CreditLine, QString()} + text.split(u'\n'));
}

// All pages' lines in a row.
inline QStringList allLines(const QStringList &pages)
{
    QStringList lines;
    for (const QString &page : pages)
        lines += pageLines(page);
    return lines;
}

inline QString manyLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("print(\"line %1\")").arg(i);
    return lines.join(QLatin1String("\r\n"));
}
