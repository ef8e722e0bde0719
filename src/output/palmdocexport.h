#pragma once

#include <QString>

class frmMain;

namespace Output {

// Writes the document to a Palm DOC database through the txt2doc converter:
// asks for the output file, writes the text to a temporary file of its own
// (removed when the conversion ends), takes the DOC name
// from a title comment on the first line or asks for it, and starts the
// converter without waiting for it.
void exportPalmDoc(frmMain &window);

// The DOC name that the document's first line gives: the line itself when it
// is a title comment of the form "--" ... ".lua" (compared exactly, nothing
// trimmed), otherwise a null string.
QString titleCommentName(const QString &text);

// The converter's path: txt2doc in the program directory.
QString converterPath(const QString &programDirectory);

// Creates an empty file named "del-XXXXXX.tmp" (a unique part in place of
// the Xs) for one export and returns its absolute path: in the program
// directory when a file can be created there, otherwise in the user's cache
// or temporary folder. Empty when no folder takes it.
QString createTemporaryFile(const QString &programDirectory);

} // namespace Output
