#pragma once

#include <QString>

// "settings.ini": the marker that the first run is over. It lives in the
// program directory; when that cannot be written (an installed program), a
// copy in the user's configuration folder takes its place.
namespace FirstRunMarker {

inline constexpr char FileName[] = "settings.ini";

// The first line of the marker file; empty when the file is empty or
// cannot be read. Only the first line matters;
// CR LF, CR and LF end a line.
QString readFirstLine(const QString &path);

// True when the program-directory marker (or, when there is none, the user
// marker) has the exact first line "1".
bool isFirstRunOver(const QString &programDirectory, const QString &userDirectory);

// Writes the single line "1" CR LF, to the program directory when it can and
// to the user folder otherwise. False when neither could be written.
bool write(const QString &programDirectory, const QString &userDirectory);

} // namespace FirstRunMarker
