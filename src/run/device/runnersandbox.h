#pragma once

#include <QByteArray>
#include <QList>

// The second wall around a program run by plua-run, after the library's own
// confinement of file names: limits on address space, file size, open files
// and core dumps, and, where the kernel has Landlock, no file access at all
// outside the storage folder (read, write, make, remove) and the folders
// given for screenshots (write, and read for the temporary file a whole write needs). Without
// Landlock it does the rest quietly. Loads the handheld's fonts and the time zone first, which
// later could not be read.
namespace RunnerSandbox {

void confine(const QByteArray &storage, const QList<QByteArray> &writableFolders);

} // namespace RunnerSandbox
