// bench_device: how fast programs draw on the simulated handheld and how
// soon their first picture shows.
//   - Run to first frame for a 200-line program (RunSession, median of RUNS)
//   - pline and pset calls per second, 10,000 calls in a Plua loop
//   - frames per second the run window shows while a program draws
// Run: bench_device [RUNS]

#include "device.h"
#include "pluadevicelib.h"
#include "run/pluaengine.h"
#include "runsession.h"
#include "platform/qthostservices.h"
#include "runwindow/handheldview.h"
#include "runwindow/runwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A program of the kind users wrote: a title, helper functions, a form of
// controls, then the event loop; it draws on its first lines.
QString program200()
{
    QString text = QStringLiteral("ptitle(\"Bench\")\npclear()\nprint(\"Starting\")\n");
    int line = 3;
    for (int f = 0; line < 180; ++f) {
        text += QStringLiteral("function helper%1(a, b)\n  local s = 0\n"
                               "  for i = 1, a do s = s + i * b end\n"
                               "  if s > 100 then s = s - 100 end\n  return s\nend\n")
                    .arg(f);
        line += 6;
    }
    while (line < 196) {
        text += QStringLiteral("pbutton(\"B%1\")\n").arg(line);
        ++line;
    }
    text += QStringLiteral("pnl()\nwhile 1 do\n  local e = pevent()\nend\n");
    return text;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void firstFrame(int runs, const QString &databases)
{
    const QString source = program200();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        RunSession session(databases);
        QEventLoop loop;
        QElapsedTimer timer;
        double ms = -1;
        QObject::connect(&session, &RunSession::frameReady, &loop, [&] {
            if (ms < 0)
                ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
            loop.quit();
        });
        timer.start();
        session.start(source, QStringLiteral("bench.lua"));
        loop.exec();
        times.push_back(ms);
        session.stop();
    }
    std::printf("Run to first frame, %d-line program: median %.1f ms (goal < 100 ms), "
                "best %.1f ms, %d runs\n",
                static_cast<int>(source.count(QLatin1Char('\n'))), median(times),
                *std::min_element(times.begin(), times.end()), runs);
}

void drawingSpeed(int runs, const QString &databases)
{
    const struct
    {
        const char *name;
        const char *code;
    } loops[] = {
        {"pline",
         "for i = 1, 10000 do pline(mod(i, 160), 0, 159 - mod(i, 160), 159, mod(i, 256)) end"},
        {"pset", "for i = 1, 10000 do pset(mod(i, 160), mod(i * 7, 160), mod(i, 256)) end"},
    };
    for (const auto &l : loops) {
        std::vector<double> rates;
        for (int r = 0; r < runs; ++r) {
            Device device(databases);
            PluaEngine engine;
            registerPluaLibrary(engine.state(), device);
            if (engine.load(l.code, "bench.lua")) {
                std::printf("%s: cannot load\n", l.name);
                return;
            }
            QElapsedTimer timer;
            timer.start();
            if (engine.run()) {
                std::printf("%s: failed\n", l.name);
                return;
            }
            rates.push_back(10000.0 / (static_cast<double>(timer.nsecsElapsed()) / 1e9));
        }
        std::printf("%s: median %.0f calls per second (10,000 calls, %d runs)\n", l.name,
                    median(rates), runs);
    }
}

void windowFrameRate()
{
    QtHostServices host; // the run window's dialogs and its remembered scale
    RunWindow window(host);
    window.show();
    int frames = 0;
    window.run(
        QStringLiteral("local i = 0\nwhile 1 do\n  i = i + 1\n"
                       "  pline(mod(i, 160), 0, 159 - mod(i, 160), 159, mod(i, 256))\nend\n"),
        QStringLiteral("draw.lua"));
    // Count the frames the screen shows during two seconds.
    QImage last;
    QTimer probe;
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, &window, [&] {
        const QImage now = window.view()->frame();
        if (now.cacheKey() != last.cacheKey()) {
            ++frames;
            last = now;
        }
    });
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    probe.start();
    loop.exec();
    window.stop();
    std::printf("Run window while drawing lines: %.1f frames per second shown (goal 60)\n",
                frames / 2.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    QTemporaryDir databases;
    firstFrame(runs, databases.path());
    drawingSpeed(std::max(1, runs / 3), databases.path());
    windowFrameRate();
    return 0;
}
