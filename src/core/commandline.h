#pragma once

#include <QString>

// The editor's command line names one file: blanks stay part of the name
// and double quotes are dropped, wherever they stand.
namespace CommandLine {

// The file that `commandLine` names: quotes removed, blanks at either end
// trimmed (other white space belongs to the name). Empty when none is named.
QString filePath(QString commandLine);

} // namespace CommandLine
