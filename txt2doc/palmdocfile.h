#pragma once

// File access for the converter: whole-file reads with a size limit and writes
// that replace a file only once the new content is complete. Failures come
// back as the system's reason ("No such file or directory"), for messages that
// name the file.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace palmdoc {

struct ReadResult
{
    std::vector<std::uint8_t> bytes;
    std::string error;     // empty on success
    bool tooLarge = false; // the file holds more than the allowed bytes
};

// Called with the bytes read so far after each chunk; returning false stops
// the read early with what has been read (for input that is already known to
// be unusable, so that an endless device is not read up to the limit).
using KeepReading = std::function<bool(std::span<const std::uint8_t>)>;

// Reads a whole file (regular file, device or pipe). A directory is refused.
ReadResult readFile(const std::filesystem::path &path, std::uint64_t maxBytes,
                    const KeepReading &keepReading = {});

// Reads an open stream (standard input) to its end, as readFile does.
ReadResult readStream(std::FILE *stream, std::uint64_t maxBytes,
                      const KeepReading &keepReading = {});

// Writes bytes to path through a temporary file in the same folder that is
// flushed to disk and then renamed over path: the file is either left as it
// was or replaced whole, and no temporary file stays behind on a failure. An
// existing file keeps its permissions; a symbolic link is followed. A path
// that names a device or pipe is written directly. Returns the reason of a
// failure, or an empty string. A link that points nowhere (yet) is followed
// too: the file it names is created and the link stays.
std::string writeFileAtomically(const std::filesystem::path &path,
                                std::span<const std::uint8_t> bytes);

// Asks the system to back a large buffer that is about to be filled with
// large pages where it can: filling megabytes page by page costs more in
// page faults than decoding them. Harmless where the system has no such pages.
void adviseLargePages(void *data, std::size_t size);

// Writes and flushes bytes to an open stream; returns the reason of a failure.
std::string writeStream(std::FILE *stream, std::span<const std::uint8_t> bytes);

} // namespace palmdoc
