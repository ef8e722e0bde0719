// Check time of the Plua 1 front end, and plua-check next to luac5.1 -p.
//
// usage: bench_plua [RUNS]
// Builds programs of 1,000, 10,000 and 100,000 lines from a block of typical
// Plua code (functions, loops, tables, strings, %upvalues, table fors),
// parses each RUNS times in-process and prints the best time. Then writes a
// 100,000-line program in the part of the language that Lua 4.0 and 5.1
// share, and times `plua-check FILE` against `luac5.1 -p FILE` (best of RUNS
// wall-clock runs, process start included).

#include "plua/parser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// One block of a realistic program: @ is replaced by a number so that every
// copy defines functions of its own. The head and the event loop are in the
// part of the language that Lua 4.0 and 5.1 share; the drawing function comes
// in two versions.
constexpr const char *ScoresHead = R"(-- Scores for round @
Scores@ = {n = 0, best = nil}

function Scores@:add(name, points)
  local entry = {name = name, points = points, when = date()}
  tinsert(self, entry)
  if not self.best or points > self.best.points then
    self.best = entry
  end
  return entry
end

function Scores@:sorted()
  local copy = {}
  for i = 1, getn(self) do copy[i] = self[i] end
  sort(copy, function(a, b) return a.points > b.points end)
  return copy
end
)";

constexpr const char *EventLoop = R"(
local done@ = nil
while not done@ do
  local e, px, py = pevent()
  if e == penDown and py < 20 then done@ = 1 elseif e == keyDown then break end
end
)";

// Plua 1 only: %upvalues and a table for.
constexpr const char *PluaDraw = R"(
function draw@(x, y, list)
  local w, h = pfont(1)
  pclear()
  for k, v in list do
    if type(v) == "table" then
      pmoveto(x, y + k * h)
      print(format("%2d. %-12s %5d", k, v.name, v.points))
    end
  end
  local total = 0
  foreachi(list, function(i, e) print(%total + e.points) end)
  pbox(x, y - 4, 120, 2, prgb(0, 0, 255))
  return total
end
)";

// The same job in what Lua 5.1 also takes.
constexpr const char *SharedDraw = R"(
function draw@(x, y, list)
  local w, h = pfont(1)
  pclear()
  for i = 1, getn(list) do
    local v = list[i]
    if type(v) == "table" then
      pmoveto(x, y + i * h)
      print(format("%2d. %-12s %5d", i, v.name, v.points))
    end
  end
  pbox(x, y - 4, 120, 2, prgb(0, 0, 255))
  return getn(list)
end
)";

// Blocks repeated up to `lines` lines. Each block's locals end with a `do`
// scope so that the main chunk stays under the local-variable limit.
std::string program(const std::string &block, int lines)
{
    std::string out;
    int count = 0;
    for (int copy = 0; count < lines; ++copy) {
        std::string text = "do\n" + block + "end\n";
        for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at))
            text.replace(at, 1, std::to_string(copy));
        count += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        out += text;
    }
    return out;
}

double bestParseMs(const std::string &source, plua::ParseMode mode, int runs, bool *valid)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const plua::ParseResult result = plua::parse(source, mode);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        best = std::min(best, ms);
        *valid = result.ok();
        if (!result.ok())
            std::printf("  unexpected error %d:%d: %s\n", result.error->line, result.error->column,
                        result.error->message.c_str());
    }
    return best;
}

// Best wall-clock time of a program run, or -1 when it fails.
double bestRunMs(const QString &program, const QStringList &args, int runs)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        QElapsedTimer timer;
        timer.start();
        process.start(program, args);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
            process.exitCode() != 0) {
            std::printf("  %s failed: %s%s\n", qPrintable(program),
                        process.readAllStandardOutput().constData(),
                        process.readAllStandardError().constData());
            return -1;
        }
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;

    std::printf("Check time, best of %d runs (goal: 10,000 lines under 10 ms, linear)\n", runs);
    std::printf("%10s %10s %12s %12s %12s %12s\n", "lines", "bytes", "check ms", "ns/line",
                "+tree ms", "ns/line");
    const std::string pluaBlock = std::string(ScoresHead) + PluaDraw + EventLoop;
    for (const int lines : {1000, 10000, 100000}) {
        const std::string source = program(pluaBlock, lines);
        const int actual = static_cast<int>(std::count(source.begin(), source.end(), '\n'));
        bool valid = false;
        const double check = bestParseMs(source, plua::ParseMode::CheckOnly, runs, &valid);
        const double tree = bestParseMs(source, plua::ParseMode::Tree, runs, &valid);
        std::printf("%10d %10zu %12.3f %12.1f %12.3f %12.1f%s\n", actual, source.size(), check,
                    check * 1e6 / actual, tree, tree * 1e6 / actual, valid ? "" : "  (not valid!)");
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.lua"));
    const std::string shared = program(std::string(ScoresHead) + SharedDraw + EventLoop, 100000);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(shared.data(), static_cast<qint64>(shared.size())) !=
            static_cast<qint64>(shared.size())) {
        std::printf("cannot write %s\n", qPrintable(path));
        return 1;
    }
    file.close();
    const int lines = static_cast<int>(std::count(shared.begin(), shared.end(), '\n'));
    std::printf("\nOne file of %d lines (%zu bytes), best of %d runs, process start included\n",
                lines, shared.size(), runs);
    const double ours = bestRunMs(QStringLiteral(PLUA_CHECK_PATH), {path}, runs);
    std::printf("%-22s %10.1f ms\n", "plua-check", ours);
    const QString luac = QStandardPaths::findExecutable(QStringLiteral("luac5.1"));
    if (luac.isEmpty()) {
        std::printf("%-22s not installed (Debian package lua5.1)\n", "luac5.1 -p");
        return 0;
    }
    const double theirs = bestRunMs(luac, {QStringLiteral("-p"), path}, runs);
    std::printf("%-22s %10.1f ms\n", "luac5.1 -p", theirs);
    if (ours > 0 && theirs > 0)
        std::printf("plua-check takes %.2fx the time of luac5.1 -p\n", ours / theirs);
    return 0;
}
