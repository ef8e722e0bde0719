#pragma once

#include <QByteArray>
#include <QList>

// The second wall around a program run by plua-run, after the library's own
// confinement of file names: limits on address space, file size, open files
// and core dumps, and, where the kernel has Landlock, no file access outside
// the storage folder (read, write, make, remove), the font folders (read)
// and the folders given for screenshots (write, and the read a whole write
// through a temporary file needs). Without Landlock the rest still holds.
// On x86-64 a seccomp filter refuses starting programs, the network, other
// processes' memory, mounts, namespaces, modules, symbolic links and nodes.
// The font database and the time zone are loaded first.
namespace RunnerSandbox {

void confine(const QByteArray &storage, const QList<QByteArray> &writableFolders);

} // namespace RunnerSandbox
