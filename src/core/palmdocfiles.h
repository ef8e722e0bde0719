#pragma once

#include <QString>

// The names and files around a Palm DOC export: the database's DOC name,
// the converter program and the temporary copy of the text it reads.
namespace PalmDocFiles {

// The DOC name that the document's first line gives: the line itself when it
// is a title comment of the form "--" ... ".lua" (compared exactly, nothing
// trimmed), otherwise a null string.
QString titleCommentName(const QString &text);

// The converter's path: txt2doc in the program directory.
QString converterPath(const QString &programDirectory);

// Creates an empty file named "del-XXXXXX.tmp" (a unique part in place of
// the Xs) for one export and returns its absolute path: in the program
// directory when a file can be created there, otherwise in the user's cache
// folder `cacheDirectory` (created when missing) or the temporary folder.
// Empty when no folder takes it.
QString createTemporaryFile(const QString &programDirectory, const QString &cacheDirectory);

} // namespace PalmDocFiles
