#pragma once

#include <QString>

class EditorTextEdit;
class HostServices;

// Putting Plua code into the editor: a catalogue entry's call, a function
// skeleton, a comment.
namespace CodeInsertion {

// Types the entry's list text (such as "pclear()") on a new line after the
// caret's line; the caret ends after the ")".
void insertCatalogueEntry(HostServices &host, EditorTextEdit &editor, const QString &listText);

// Asks for a name and types "function name()", an empty line and "end"
// after the end of the text; the caret ends on the empty line.
void insertNewFunction(HostServices &host, EditorTextEdit &editor);

// Asks for a comment and writes "-- " and the comment in place of the
// selection, or at the caret.
void insertComment(HostServices &host, EditorTextEdit &editor);

} // namespace CodeInsertion
