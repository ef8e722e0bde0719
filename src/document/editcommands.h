#pragma once

class EditorTextEdit;
class HostServices;

// Edit, Cut / Copy / Paste: plain text between the editor and the clipboard.
namespace EditCommands {

void cut(HostServices &host, EditorTextEdit &editor);
void copy(HostServices &host, EditorTextEdit &editor);
void paste(HostServices &host, EditorTextEdit &editor);

} // namespace EditCommands
