// plua-check: checks Plua 1 programs the way the handheld's compiler would,
// without the handheld. One line per fault, FILE:LINE:COL: message.

#include "textfile.h"
#include "plua/parser.h"
#include "plua/programtext.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifndef PLUA_CHECK_VERSION
#define PLUA_CHECK_VERSION "unknown"
#endif

namespace {

enum ExitCode : int {
    AllValid = 0,
    Faults = 1,
    UsageError = 2,
};

constexpr const char *Help = R"(Usage: plua-check FILE...
       plua-check --help | --version

Checks each Plua 1 program FILE for the faults the handheld's compiler
(Lua 4.0.1) would reject: syntax, unfinished strings and malformed numbers,
`break` outside a loop, %upvalues and outer locals used where they cannot
be, and the compiler's limits. Files are read as the editor reads them:
Windows-1252, or UTF-8 or UTF-16 where the editor would take it.

For every faulty file one line goes to standard output:
  FILE:LINE:COL: message
LINE is the line the handheld's compiler reports; it stops at the first
fault, and so does this check.

  --help     show this help
  --version  show the version

Options are recognised only before the first FILE; "--" ends them.

Exit status:
  0  every FILE is a valid program
  1  a FILE has a fault, or cannot be read
  2  usage error: no FILE, or an unknown option
)";

int usage(const char *message)
{
    std::fprintf(stderr, "plua-check: %s\nTry 'plua-check --help'.\n", message);
    return UsageError;
}

// Checks one file; prints its fault or why it cannot be read.
bool checkFile(const char *argument)
{
    const TextFile::ReadResult read = TextFile::readFile(QFile::decodeName(argument));
    if (!read.ok()) {
        std::fprintf(stderr, "plua-check: cannot read %s: %s\n", argument,
                     read.error.toUtf8().constData());
        return false;
    }
    const QByteArray utf8 = read.text.toUtf8();
    const std::string text = plua::handheldText(
        std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    const plua::ParseResult result = plua::parse(text, plua::ParseMode::CheckOnly);
    if (result.ok())
        return true;
    std::printf("%s:%d:%d: %s\n", argument, result.error->line, result.error->column,
                result.error->message.c_str());
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    std::vector<const char *> files;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(arg, "--help") == 0) {
            std::fputs(Help, stdout);
            return AllValid;
        } else if (options && std::strcmp(arg, "--version") == 0) {
            std::printf("plua-check %s\n", PLUA_CHECK_VERSION);
            return AllValid;
        } else if (options && arg[0] == '-' && arg[1] != '\0') {
            return usage((std::string("unknown option '") + arg + "'").c_str());
        } else {
            options = false;
            files.push_back(arg);
        }
    }
    if (files.empty())
        return usage("no file to check");
    bool valid = true;
    for (const char *file : files)
        valid = checkFile(file) && valid;
    std::fflush(stdout);
    return valid ? AllValid : Faults;
}
