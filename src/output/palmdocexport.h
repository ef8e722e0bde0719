#pragma once

#include <QString>

class frmMain;

namespace Output {

// Writes the document to a Palm DOC database through the txt2doc converter:
// asks for the output file, writes the text to "del.tmp", takes the DOC name
// from a title comment on the first line or asks for it, and starts the
// converter without waiting for it.
void exportPalmDoc(frmMain &window);

// The DOC name that the document's first line gives: the line itself when it
// is a title comment of the form "--" ... ".lua" (compared exactly, nothing
// trimmed), otherwise a null string.
QString titleCommentName(const QString &text);

// The converter's path: txt2doc in the program directory.
QString converterPath(const QString &programDirectory);

// Where "del.tmp" goes: the program directory when a file can be created
// there, otherwise the user's cache or temporary folder.
QString temporaryFilePath(const QString &programDirectory);

} // namespace Output
