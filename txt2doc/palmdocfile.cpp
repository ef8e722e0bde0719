#include "palmdocfile.h"

#include <array>
#include <cerrno>
#include <random>
#include <system_error>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace fs = std::filesystem;

namespace palmdoc {

namespace {

std::string errnoText(int error)
{
    return std::generic_category().message(error);
}

std::FILE *openFile(const fs::path &path, const char *mode)
{
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    std::FILE *file = nullptr;
    return _wfopen_s(&file, path.c_str(), wideMode.c_str()) == 0 ? file : nullptr;
#else
    return std::fopen(path.c_str(), mode);
#endif
}

// Flushes the stream and asks the system to put the data on disk.
bool syncToDisk(std::FILE *file)
{
    if (std::fflush(file) != 0)
        return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return ::fsync(fileno(file)) == 0 || errno == EINVAL || errno == EROFS;
#endif
}

std::string replaceFile(const fs::path &from, const fs::path &to)
{
#ifdef _WIN32
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::system_category().message(static_cast<int>(GetLastError()));
    return {};
#else
    std::error_code ec;
    fs::rename(from, to, ec);
    return ec ? ec.message() : std::string{};
#endif
}

std::string writeInPlace(const fs::path &path, std::span<const std::uint8_t> bytes)
{
    errno = 0;
#ifdef _WIN32
    std::FILE *file = openFile(path, "wb");
#else
    // A pipe nobody reads would block the open for ever; without waiting the
    // open fails at once instead (ENXIO), and the caller can say so.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errnoText(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE *file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        return errnoText(error);
    }
#endif
    if (!file)
        return errnoText(errno);
    std::string error = writeStream(file, bytes);
    if (std::fclose(file) != 0 && error.empty())
        error = errnoText(errno);
    return error;
}

ReadResult readToEnd(std::FILE *stream, std::uint64_t maxBytes, const KeepReading &keepReading,
                     std::size_t expectedSize)
{
    ReadResult result;
    result.bytes.reserve(expectedSize);
    adviseLargePages(result.bytes.data(), result.bytes.capacity());
    std::array<std::uint8_t, 65536> chunk;
    while (true) {
        errno = 0;
        const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), stream);
        if (result.bytes.size() + got > maxBytes) {
            result.tooLarge = true;
            result.bytes.clear();
            break;
        }
        result.bytes.insert(result.bytes.end(), chunk.begin(), chunk.begin() + got);
        if (got < chunk.size()) {
            if (std::ferror(stream))
                result.error = errnoText(errno != 0 ? errno : EIO);
            break;
        }
        if (keepReading && !keepReading(result.bytes))
            break;
    }
    if (!result.error.empty())
        result.bytes.clear();
    return result;
}

// The file that path names once every symbolic link on the way is followed,
// also when the last link points to a file that does not exist yet: writing
// there keeps the link, as a shell redirection does.
std::string followLinks(const fs::path &path, fs::path &target)
{
    constexpr int MaxLinks = 40; // the kernel's own limit
    target = path;
    for (int hops = 0; hops < MaxLinks; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(target, ec)))
            return {};
        const fs::path next = fs::read_symlink(target, ec);
        if (ec)
            return ec.message();
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return std::make_error_code(std::errc::too_many_symbolic_link_levels).message();
}

} // namespace

ReadResult readFile(const fs::path &path, std::uint64_t maxBytes, const KeepReading &keepReading)
{
    ReadResult result;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec) {
        result.error = ec.message();
        return result;
    }
    if (fs::is_directory(status)) {
        result.error = std::make_error_code(std::errc::is_a_directory).message();
        return result;
    }
    std::uintmax_t size = 0;
    if (fs::is_regular_file(status)) {
        size = fs::file_size(path, ec);
        if (ec)
            size = 0; // unknown: read it anyway
        if (size > maxBytes) {
            result.tooLarge = true;
            return result;
        }
    }
    errno = 0;
    std::FILE *file = openFile(path, "rb");
    if (!file) {
        result.error = errnoText(errno);
        return result;
    }
    result = readToEnd(file, maxBytes, keepReading, static_cast<std::size_t>(size));
    std::fclose(file);
    return result;
}

ReadResult readStream(std::FILE *stream, std::uint64_t maxBytes, const KeepReading &keepReading)
{
    return readToEnd(stream, maxBytes, keepReading, 0);
}

void adviseLargePages(void *data, std::size_t size)
{
#ifdef __linux__
    constexpr std::uintptr_t LargePage = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + LargePage - 1) & ~(LargePage - 1);
    const std::uintptr_t last = (begin + size) & ~(LargePage - 1);
    if (data && last > first)
        // Offsetting the pointer itself keeps its provenance, unlike turning
        // the rounded address back into a pointer.
        ::madvise(static_cast<char *>(data) + (first - begin), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

std::string writeStream(std::FILE *stream, std::span<const std::uint8_t> bytes)
{
    errno = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size())
        return errnoText(errno != 0 ? errno : EIO);
    if (std::fflush(stream) != 0)
        return errnoText(errno != 0 ? errno : EIO);
    return {};
}

std::string writeFileAtomically(const fs::path &path, std::span<const std::uint8_t> bytes)
{
    std::error_code ec;
    fs::path target;
    if (std::string error = followLinks(path, target); !error.empty())
        return error;
    const fs::file_status status = fs::status(target, ec);
    const bool exists = !ec && fs::exists(status);
    if (exists && fs::is_directory(status))
        return std::make_error_code(std::errc::is_a_directory).message();
    if (exists && !fs::is_regular_file(status))
        return writeInPlace(target, bytes); // a device or pipe cannot be renamed over

    fs::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::random_device random;
    std::FILE *file = nullptr;
    fs::path temporary;
    int openError = 0;
    for (int attempt = 0; attempt < 100 && !file; ++attempt) {
        // A short name of its own, so a long file name cannot make it too long.
        temporary = folder / (".txt2doc-" + std::to_string(random() % 1000000000u) + ".tmp");
        errno = 0;
        file = openFile(temporary, "wbx");
        openError = errno;
        if (!file && openError != EEXIST)
            break;
    }
    if (!file)
        return errnoText(openError != 0 ? openError : EIO);

    std::string error = writeStream(file, bytes);
    if (error.empty() && !syncToDisk(file))
        error = errnoText(errno != 0 ? errno : EIO);
    errno = 0;
    if (std::fclose(file) != 0 && error.empty())
        error = errnoText(errno != 0 ? errno : EIO);
    if (error.empty() && exists)
        fs::permissions(temporary, status.permissions(), ec); // best effort
    if (error.empty())
        error = replaceFile(temporary, target);
    if (!error.empty())
        fs::remove(temporary, ec);
    return error;
}

} // namespace palmdoc
