#pragma once

#include <QString>
#include <QStringView>

#include <span>

// The built-in catalogue of Plua library functions and their help texts.
// The data is constant and compiled in; nothing reads or writes it at run time.
namespace Catalogue {

struct Entry
{
    // "pclear()": shown in the list, key of the help table, text typed on insert
    const char *listText;
    // One paragraph, begins with the call signature
    const char *helpText;
};

// Every entry, in the order the main window adds them to its list.
std::span<const Entry> entries();

// The help text for a list text, matched exactly and case-sensitively; a null QString when none.
QString helpFor(QStringView listText);

} // namespace Catalogue
