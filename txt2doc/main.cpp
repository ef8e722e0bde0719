// txt2doc: converts a text file into a compressed Palm DOC database, and back.

#include "palmdoc_database.h"
#include "palmdoc_file.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

#ifndef TXT2DOC_VERSION
#define TXT2DOC_VERSION "unknown"
#endif

namespace {

enum ExitCode : int {
    Success = 0,
    InputError = 1,
    UsageError = 2,
    OutputError = 3,
    OutOfMemory = 4,
};

constexpr const char *kHelp = R"(Usage: txt2doc INPUT OUTPUT NAME
       txt2doc --decode INPUT [OUTPUT]
       txt2doc --help | --version

Converts the text file INPUT into the compressed Palm DOC database OUTPUT
(a .prc or .pdb file) that the handheld lists as NAME. CR LF and lone CR line
ends become LF; every other byte is kept as it is. NAME is given in UTF-8 and
stored in Windows-1252; a name over 31 bytes is shortened, keeping a ".lua"
ending. OUTPUT is replaced only once the new file is complete.

  --decode   write the text of the Palm DOC INPUT to OUTPUT, or to standard
             output when OUTPUT is left out
  --help     show this help
  --version  show the version

Options are recognised only as the first argument, so a name such as
"--Game.lua" needs no escaping; "--" as the first argument ends the options.

Exit status:
  0  success
  1  input error: INPUT cannot be read, is too large, or is not a valid Palm DOC
  2  usage error: wrong arguments, a name that cannot be stored, or OUTPUT is INPUT
  3  output error: OUTPUT cannot be written (an existing OUTPUT is left as it was)
  4  out of memory
)";

// Largest file --decode reads: a valid Palm DOC stays well below this.
constexpr std::uint64_t kMaxDatabaseFile = std::uint64_t{1} << 30;

struct Argument
{
    std::string text; // UTF-8, for the database name and for messages
    std::filesystem::path path;
};

int report(int status, const std::string &message)
{
    std::fprintf(stderr, "txt2doc: %s\n", message.c_str());
    return status;
}

// The argument in quotes, with control characters written as \xNN so that
// every message stays on one line.
std::string quoted(const Argument &argument)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "'";
    for (char ch : argument.text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            text += "\\x";
            text += kDigits[c >> 4];
            text += kDigits[c & 0xF];
        } else {
            text += ch;
        }
    }
    return text + "'";
}

bool sameFile(const Argument &a, const Argument &b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a.path, b.path, ec) && !ec;
}

int convert(const Argument &input, const Argument &output, const Argument &name)
{
    const palmdoc::NameResult stored = palmdoc::makeDatabaseName(name.text);
    if (!stored.error.empty())
        return report(UsageError,
                      "cannot use " + quoted(name) + " as the database name: " + stored.error);
    if (sameFile(input, output))
        return report(UsageError, "cannot write " + quoted(output) + ": it is the input file");

    // CR LF shrinks to LF, so the file itself may be up to twice the limit.
    palmdoc::ReadResult read = palmdoc::readFile(input.path, 2 * palmdoc::kMaxTextLength);
    const std::string limit = "a Palm DOC holds at most " +
                              std::to_string(palmdoc::kMaxTextLength) +
                              " bytes of text (65534 records of 4096 bytes)";
    if (read.tooLarge)
        return report(InputError,
                      "cannot convert " + quoted(input) + ": it is too large; " + limit);
    if (!read.error.empty())
        return report(InputError, "cannot read " + quoted(input) + ": " + read.error);
    palmdoc::toHandheldLineEnds(read.bytes);
    if (read.bytes.size() > palmdoc::kMaxTextLength)
        return report(InputError, "cannot convert " + quoted(input) + ": its text has " +
                                      std::to_string(read.bytes.size()) + " bytes; " + limit);

    const std::vector<std::uint8_t> database =
        palmdoc::buildDatabase(read.bytes, stored.name, palmdoc::palmTimeNow());
    const std::string error = palmdoc::writeFileAtomically(output.path, database);
    if (!error.empty())
        return report(OutputError, "cannot write " + quoted(output) + ": " + error);
    if (stored.shortened)
        report(Success, "note: the database name is shortened to '" +
                            palmdoc::windows1252ToUtf8(stored.name) + "' (31 bytes at most)");
    return Success;
}

int decode(const Argument &input, const Argument *output)
{
    if (output && sameFile(input, *output))
        return report(UsageError, "cannot write " + quoted(*output) + ": it is the input file");
    const palmdoc::ReadResult read = palmdoc::readFile(input.path, kMaxDatabaseFile);
    if (read.tooLarge)
        return report(InputError, quoted(input) + " is not a valid Palm DOC: it is too large");
    if (!read.error.empty())
        return report(InputError, "cannot read " + quoted(input) + ": " + read.error);
    const palmdoc::ParsedDatabase database = palmdoc::parseDatabase(read.bytes);
    if (!database.error.empty())
        return report(InputError, quoted(input) + " is not a valid Palm DOC: " + database.error);

    if (output) {
        const std::string error = palmdoc::writeFileAtomically(output->path, database.text);
        if (!error.empty())
            return report(OutputError, "cannot write " + quoted(*output) + ": " + error);
        return Success;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::string error = palmdoc::writeStream(stdout, database.text);
    if (!error.empty())
        return report(OutputError, "cannot write to standard output: " + error);
    return Success;
}

int run(const std::vector<Argument> &args)
{
    const std::string tryHelp = "; try 'txt2doc --help'";
    std::size_t first = 0;
    if (!args.empty()) {
        const std::string &option = args[0].text;
        if (option == "--help" && args.size() == 1) {
            std::fputs(kHelp, stdout);
            return std::fflush(stdout) == 0 ? Success : OutputError;
        }
        if (option == "--version" && args.size() == 1) {
            std::fputs("txt2doc " TXT2DOC_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? Success : OutputError;
        }
        if ((option == "--help" || option == "--version") && args.size() > 1)
            return report(UsageError, quoted(args[0]) + " takes no arguments" + tryHelp);
        if (option == "--decode") {
            if (args.size() != 2 && args.size() != 3)
                return report(UsageError, "--decode expects INPUT [OUTPUT]" + tryHelp);
            return decode(args[1], args.size() == 3 ? &args[2] : nullptr);
        }
        if (option == "--")
            first = 1;
        else if (option.size() > 1 && option[0] == '-')
            return report(UsageError, "unknown option " + quoted(args[0]) + tryHelp);
    }
    if (args.size() - first != 3)
        return report(UsageError, "expected three arguments: INPUT OUTPUT NAME" + tryHelp);
    return convert(args[first], args[first + 1], args[first + 2]);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<Argument> args;
#ifdef _WIN32
    // The wide command line, so that any file name and any name arrive intact.
    (void)argv;
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? size - 1 : 0, '\0');
        if (size > 1)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        args.push_back({text, std::filesystem::path(wide[i])});
    }
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i)
        args.push_back({argv[i], std::filesystem::path(argv[i])});
#endif
    (void)argc;
    try {
        return run(args);
    } catch (const std::bad_alloc &) {
        return report(OutOfMemory, "out of memory");
    }
}
