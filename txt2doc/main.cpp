// txt2doc: converts a text file into a compressed Palm DOC database, and back.

#include "palmdocdatabase.h"
#include "palmdocfile.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <span>
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

constexpr const char *Help = R"(Usage: txt2doc INPUT OUTPUT NAME
       txt2doc --decode INPUT [OUTPUT]
       txt2doc -h | --help | --version

Converts the text file INPUT into the compressed Palm DOC database OUTPUT
(a .prc or .pdb file) that the handheld lists as NAME. CR LF and lone CR line
ends become LF; every other byte is kept as it is. NAME is given in UTF-8 and
stored in Windows-1252; a name over 31 bytes is shortened, keeping a ".lua"
ending. OUTPUT is replaced only once the new file is complete; when it is a
symbolic link, the file the link points to is written.

An INPUT of "-" is standard input and an OUTPUT of "-" is standard output, so
that txt2doc works in a pipe; write "./-" for a file named "-".

  --decode   write the text of the Palm DOC INPUT to OUTPUT, or to standard
             output when OUTPUT is left out
  -h, --help show this help
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

struct Argument
{
    std::string text; // UTF-8, for the database name and for messages
    std::filesystem::path path;

    // "-": standard input as INPUT, standard output as OUTPUT.
    bool isStream() const { return text == "-"; }
};

int report(int status, const std::string &message)
{
    std::fprintf(stderr, "txt2doc: %s\n", message.c_str());
    return status;
}

// The length of the valid UTF-8 sequence at text[i] and its code point, or 0
// when the bytes there are not valid UTF-8.
std::size_t utf8Sequence(std::string_view text, std::size_t i, char32_t &cp)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0)
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    else
        return 0;
    if (text.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

// The argument in quotes, with control characters (C0, DEL and C1) and bytes
// that are not UTF-8 written as \xNN, byte by byte, so that every message stays
// on one line and a terminal never takes part of a name for a command.
std::string quoted(const Argument &argument)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    const std::string_view in = argument.text;
    std::string text = "'";
    auto escape = [&text](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        text += "\\x";
        text += Digits[c >> 4];
        text += Digits[c & 0xF];
    };
    for (std::size_t i = 0; i < in.size();) {
        char32_t cp = 0;
        const std::size_t length = utf8Sequence(in, i, cp);
        if (length == 0) {
            escape(in[i++]);
            continue;
        }
        const bool control = cp < 0x20 || (cp >= 0x7F && cp <= 0x9F);
        for (std::size_t k = 0; k < length; ++k) {
            if (control)
                escape(in[i + k]);
            else
                text += in[i + k];
        }
        i += length;
    }
    return text + "'";
}

// How messages name an INPUT or OUTPUT argument.
std::string inputName(const Argument &input)
{
    return input.isStream() ? std::string("standard input") : quoted(input);
}

std::string cannotWrite(const Argument &output)
{
    return output.isStream() ? std::string("cannot write to standard output")
                             : "cannot write " + quoted(output);
}

// Reads INPUT, from standard input for "-".
palmdoc::ReadResult readInput(const Argument &input, std::uint64_t maxBytes,
                              const palmdoc::KeepReading &keepReading = {})
{
    if (!input.isStream())
        return palmdoc::readFile(input.path, maxBytes, keepReading);
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
#endif
    return palmdoc::readStream(stdin, maxBytes, keepReading);
}

// Writes OUTPUT whole, to standard output for "-"; the reason of a failure.
std::string writeOutput(const Argument &output, std::span<const std::uint8_t> bytes)
{
    if (!output.isStream())
        return palmdoc::writeFileAtomically(output.path, bytes);
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return palmdoc::writeStream(stdout, bytes);
}

bool sameFile(const Argument &a, const Argument &b)
{
    if (a.isStream() || b.isStream())
        return false;
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
    palmdoc::ReadResult read = readInput(input, 2 * palmdoc::MaxTextLength);
    const std::string limit = "a Palm DOC holds at most " + std::to_string(palmdoc::MaxTextLength) +
                              " bytes of text (65534 records of 4096 bytes)";
    if (read.tooLarge)
        return report(InputError,
                      "cannot convert " + inputName(input) + ": it is too large; " + limit);
    if (!read.error.empty())
        return report(InputError, "cannot read " + inputName(input) + ": " + read.error);
    palmdoc::toHandheldLineEnds(read.bytes);
    if (read.bytes.size() > palmdoc::MaxTextLength)
        return report(InputError, "cannot convert " + inputName(input) + ": its text has " +
                                      std::to_string(read.bytes.size()) + " bytes; " + limit);

    const std::vector<std::uint8_t> database =
        palmdoc::buildDatabase(read.bytes, stored.name, palmdoc::palmTimeNow());
    const std::string error = writeOutput(output, database);
    if (!error.empty())
        return report(OutputError, cannotWrite(output) + ": " + error);
    if (stored.shortened)
        report(Success, "note: the database name is shortened to '" +
                            palmdoc::windows1252ToUtf8(stored.name) + "' (31 bytes at most)");
    return Success;
}

int decode(const Argument &input, const Argument *output)
{
    if (output && sameFile(input, *output))
        return report(UsageError, "cannot write " + quoted(*output) + ": it is the input file");
    // Whatever does not start like a Palm DOC is not read any further: a
    // device such as /dev/zero is refused at once.
    const auto looksLikeDoc = [](std::span<const std::uint8_t> bytes) {
        return bytes.size() < palmdoc::HeaderSize ||
               palmdoc::headerError(bytes.first(palmdoc::HeaderSize)).empty();
    };
    const palmdoc::ReadResult read = readInput(input, palmdoc::MaxDatabaseSize, looksLikeDoc);
    if (read.tooLarge)
        return report(InputError, inputName(input) + " is not a valid Palm DOC: it is too large");
    if (!read.error.empty())
        return report(InputError, "cannot read " + inputName(input) + ": " + read.error);
    const palmdoc::ParsedDatabase database = palmdoc::parseDatabase(read.bytes);
    if (!database.error.empty())
        return report(InputError, inputName(input) + " is not a valid Palm DOC: " + database.error);

    const Argument standardOutput{"-", "-"};
    const Argument &target = output ? *output : standardOutput;
    const std::string error = writeOutput(target, database.text);
    if (!error.empty())
        return report(OutputError, cannotWrite(target) + ": " + error);
    return Success;
}

int run(const std::vector<Argument> &args)
{
    const std::string tryHelp = "; try 'txt2doc --help'";
    std::size_t first = 0;
    if (!args.empty()) {
        const std::string &option = args[0].text;
        const bool help = option == "--help" || option == "-h";
        if (help && args.size() == 1) {
            std::fputs(Help, stdout);
            return std::fflush(stdout) == 0 ? Success : OutputError;
        }
        if (option == "--version" && args.size() == 1) {
            std::fputs("txt2doc " TXT2DOC_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? Success : OutputError;
        }
        if ((help || option == "--version") && args.size() > 1)
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
