// Every window fits the screen's free area at large scales and fonts: the
// program runs on an offscreen screen of the given size with the given
// scale factor, and each window's frame must lie inside the free area.

#include "mainwindowfixture.h"
#include "offscreenscreen.h"
#include "testenv.h"

#include "app/frmmain.h"
#include "info/frmabout.h"
#include "info/frmdonations.h"
#include "info/frmfirstrun.h"
#include "info/frminstallationinstructions.h"
#include "info/pluainfo.h"
#include "info/pluawhere.h"
#include "runwindow/runwindow.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>

#include <cstring>
#include <iostream>

namespace {

// Run as a child on the screen under test: shows every window at the given
// desktop font and prints each one that does not fit, with its place.
int measure(double points)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(points);
    QApplication::setFont(font);
    MainWindowFixture f;
    f.window->show();
    f.program.showWindow<PluaInfo>();
    f.program.showWindow<PluaWhere>();
    f.program.showWindow<frmFirstRun>();
    f.program.showWindow<frmInstallationInstructions>();
    f.program.showWindow<frmDonations>();
    auto *about = new frmAbout(f.program, f.window);
    about->show();
    // At the scale it remembers (2x unless chosen otherwise).
    auto *run = new RunWindow(f.program.host(), f.window);
    run->show();
    QCoreApplication::processEvents();

    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    int faults = 0;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        // The title bar above the client area: two lines of its font.
        const QRect frame =
            window->frameGeometry().adjusted(0, -2 * window->fontMetrics().height(), 0, 0);
        if (!room.contains(window->frameGeometry()) || frame.height() > room.height() ||
            frame.width() > room.width()) {
            std::cout << qPrintable(window->objectName()) << ' ' << frame.width() << 'x'
                      << frame.height() << " at " << frame.x() << ',' << frame.y() << " in "
                      << room.width() << 'x' << room.height() << '\n';
            ++faults;
        }
    }
    // The status bar, the last row of the main window, is inside it.
    const QWidget *status = f.window->lineStatusBar();
    const QRect statusRect(status->mapTo(f.window, QPoint(0, 0)), status->size());
    if (!f.window->rect().contains(statusRect)) {
        std::cout << "sbStatusBar outside the main window\n";
        ++faults;
    }
    return faults == 0 ? 0 : 1;
}

} // namespace

class tst_ScaleFit : public QObject
{
    Q_OBJECT

private slots:
    void windowsFitTheScreen_data()
    {
        QTest::addColumn<int>("scale");
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<double>("points");
        for (double points : {9.0, 11.0}) {
            QTest::addRow("scale 2 on 1920x1080, %g pt", points)
                << 2 << QSize(1920, 1080) << points;
            QTest::addRow("scale 1 on 1366x768, %g pt", points) << 1 << QSize(1366, 768) << points;
        }
    }

    void windowsFitTheScreen()
    {
        QFETCH(int, scale);
        QFETCH(QSize, screen);
        QFETCH(double, points);
        QTemporaryDir dir;
        QProcessEnvironment env = offscreenScreen(dir, screen);
        QVERIFY(!env.isEmpty());
        QProcess child;
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--measure"), QString::number(points)});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 output.constData());
    }
};

int main(int argc, char *argv[])
{
    isolateUserFolders();
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--measure") == 0)
        return measure(QByteArray(argv[2]).toDouble());
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_ScaleFit tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_scalefit.moc"
