#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <memory>
#include <vector>

// A private X server with the openbox window manager, the real scrivlet
// started from a fresh program folder on it, and real X input from xdotool.
// Everything is checked from outside: window names, bytes on disk.
class X11Desktop
{
public:
    X11Desktop() = default;
    X11Desktop(const X11Desktop &) = delete;
    X11Desktop &operator=(const X11Desktop &) = delete;
    ~X11Desktop() { stop(); }

    // Starts Xvfb and openbox; false (with `error()`) when either is missing
    // or does not come up.
    // `serverOptions` go to Xvfb as they are (for example "-extension GLX").
    bool start(const QString &screen = QStringLiteral("1280x1024x24"),
               const QStringList &serverOptions = {})
    {
        for (const char *tool : {"Xvfb", "openbox", "xdotool"}) {
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                return fail(QStringLiteral("%1 is not installed (scripts/setup.sh installs it)")
                                .arg(QLatin1String(tool)));
        }
        if (!m_home.isValid())
            return fail(QStringLiteral("no temporary folder"));
        // A display number nobody else holds.
        for (int tries = 0; tries < 50 && m_display.isEmpty(); ++tries) {
            const int n = 200 + int(QRandomGenerator::global()->bounded(700));
            if (!QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                m_display = QStringLiteral(":%1").arg(n);
        }
        const QString socket = QStringLiteral("/tmp/.X11-unix/X") + m_display.mid(1);
        m_xvfb.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QStringList options{m_display,
                                  QStringLiteral("-screen"),
                                  QStringLiteral("0"),
                                  screen,
                                  QStringLiteral("-nolisten"),
                                  QStringLiteral("tcp"),
                                  QStringLiteral("-noreset")};
        m_xvfb.start(QStringLiteral("Xvfb"), options + serverOptions);
        if (!m_xvfb.waitForStarted() || !waitFor([&] { return QFile::exists(socket); }, 10000))
            return fail(QStringLiteral("Xvfb did not start on ") + m_display);

        QDir().mkpath(home() + QStringLiteral("/runtime"));
        QFile::setPermissions(home() + QStringLiteral("/runtime"), QFileDevice::ReadOwner |
                                                                       QFileDevice::WriteOwner |
                                                                       QFileDevice::ExeOwner);
        m_openbox.setProcessEnvironment(environment());
        m_openbox.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        // The window manager is up once it announces the desktops it keeps.
        if (!m_openbox.waitForStarted() ||
            !waitFor([&] { return run({QStringLiteral("get_num_desktops")}).toInt() > 0; }, 10000))
            return fail(QStringLiteral("openbox did not start"));
        return true;
    }

    // A D-Bus session bus for the programs started from here on, as a
    // desktop session has: the accessibility bridge finds its bus through it.
    bool startSessionBus()
    {
        m_bus.start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        if (!m_bus.waitForStarted() || !waitFor(
                                           [&] {
                                               m_bus.waitForReadyRead(100);
                                               return m_bus.canReadLine();
                                           },
                                           10000))
            return fail(QStringLiteral("dbus-daemon did not start"));
        m_sessionBus = QString::fromLatin1(m_bus.readLine()).trimmed();
        // A session starts the accessibility bus at log-in; programs look
        // for it when they start and do not start it themselves.
        QProcess launch;
        launch.setProcessEnvironment(environment());
        launch.start(QStringLiteral("dbus-send"),
                     {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                      QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                      QStringLiteral("org.a11y.Bus.GetAddress")});
        if (!launch.waitForFinished(10000) || launch.exitCode() != 0)
            return fail(QStringLiteral("the accessibility bus did not start"));
        return true;
    }

    void stop()
    {
        for (auto &other : m_others)
            end(*other);
        for (QProcess *p : {&m_program, &m_bus, &m_openbox, &m_xvfb}) {
            end(*p);
        }
    }

    QString error() const { return m_error; }
    QString home() const { return m_home.path(); }
    QString display() const { return m_display; }

    // The environment of a user session on this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("HOME"), home());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home() + QStringLiteral("/cache"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home() + QStringLiteral("/runtime"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.remove(QStringLiteral("QT_QPA_PLATFORMTHEME"));
        // What only the test runner's own environment had: the program runs
        // as the user's session starts it.
        env.remove(QStringLiteral("QT_PLUGIN_PATH"));
        env.remove(QStringLiteral("XDG_STATE_HOME"));
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        if (!m_sessionBus.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_sessionBus);
        else
            env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        return env;
    }

    // Copies the programs into a fresh program folder under home() and starts
    // scrivlet there with `arguments`.
    bool startProgram(const QString &binDir, const QStringList &arguments = {},
                      const QProcessEnvironment &extra = {})
    {
        m_programDir = home() + QStringLiteral("/program");
        QDir().mkpath(m_programDir);
        for (const char *name : {"scrivlet", "txt2doc", "plua-run", "scrivlet-webview.so"}) {
            const QString target = m_programDir + u'/' + QLatin1String(name);
            QFile::remove(target);
            if (!QFile::copy(binDir + u'/' + QLatin1String(name), target))
                return fail(QStringLiteral("cannot copy ") + QLatin1String(name));
        }
        m_extra = extra;
        return launch(m_program, arguments);
    }

    // One more scrivlet from the same program folder, with the same
    // environment, as a user starts a second editor.
    QProcess *startAnother(const QStringList &arguments = {})
    {
        m_others.push_back(std::make_unique<QProcess>());
        return launch(*m_others.back(), arguments) ? m_others.back().get() : nullptr;
    }

    // Starts the first program again after it ended (or was killed).
    bool restartProgram(const QStringList &arguments = {})
    {
        end(m_program);
        return launch(m_program, arguments);
    }

    QString programDir() const { return m_programDir; }
    QProcess &program() { return m_program; }

    // One xdotool command; its output, trimmed ("" when it failed).
    QString run(const QStringList &arguments) const
    {
        QProcess p;
        p.setProcessEnvironment(environment());
        p.start(QStringLiteral("xdotool"), arguments);
        if (!p.waitForFinished(10000) || p.exitCode() != 0)
            return {};
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

    // The name of the window that has the keyboard.
    QString activeWindowName() const
    {
        return run({QStringLiteral("getactivewindow"), QStringLiteral("getwindowname")});
    }

    // Waits until a window named exactly `name` has the keyboard.
    bool waitActive(const QString &name, int timeoutMs = 15000)
    {
        if (waitFor([&] { return activeWindowName() == name; }, timeoutMs))
            return true;
        return fail(QStringLiteral("\"%1\" never became active (active: \"%2\")")
                        .arg(name, activeWindowName()));
    }

    // The ids of the visible windows named exactly `name`.
    QStringList windows(const QString &name) const
    {
        const QString found =
            run({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                 QStringLiteral("--name"), u'^' + QRegularExpression::escape(name) + u'$'});
        return found.isEmpty() ? QStringList() : found.split(u'\n');
    }

    // The visible windows of the program, menus and tool tips included.
    QStringList programWindows() const
    {
        const QString found = run({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                   QStringLiteral("--classname"), QStringLiteral("scrivlet")});
        return found.isEmpty() ? QStringList() : found.split(u'\n');
    }

    // The window that `id` is transient for, as the window manager reads it
    // ("" when it is nobody's, or xprop is missing).
    QString transientFor(const QString &id) const
    {
        QProcess xprop;
        xprop.setProcessEnvironment(environment());
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), id, QStringLiteral("WM_TRANSIENT_FOR")});
        if (!xprop.waitForFinished(10000))
            return {};
        const QString owner =
            QString::fromLatin1(xprop.readAllStandardOutput()).section(u'#', 1).trimmed();
        bool ok = false;
        const qulonglong value = owner.toULongLong(&ok, 16);
        return ok ? QString::number(value) : QString();
    }

    // Presses keys ("ctrl+f", "Return") into whatever window has the keyboard.
    void key(const QString &keys) const
    {
        QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")};
        args += keys.split(u' ');
        run(args);
    }

    void type(const QString &text) const
    {
        // "--" ends the options: a text such as "-- note" is typed, not parsed.
        run({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
             QStringLiteral("--"), text});
    }

    // Clicks at `x`, `y` inside the window `id`'s client area.
    void click(const QString &id, int x, int y, int repeat = 1) const
    {
        run({QStringLiteral("mousemove"), QStringLiteral("--window"), id, QString::number(x),
             QString::number(y)});
        run({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(repeat),
             QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
    }

    bool waitExit(int timeoutMs = 15000)
    {
        return m_program.waitForFinished(timeoutMs) || fail(QStringLiteral("scrivlet still runs"));
    }

    static QByteArray readFile(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    template <class Pred> static bool waitFor(Pred pred, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        while (!pred()) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QThread::msleep(50);
        }
        return true;
    }

private:
    bool launch(QProcess &process, const QStringList &arguments)
    {
        QProcessEnvironment env = environment();
        for (const QString &key : m_extra.keys())
            env.insert(key, m_extra.value(key));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home());
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(m_programDir + QStringLiteral("/scrivlet"), arguments);
        return process.waitForStarted() || fail(QStringLiteral("scrivlet did not start"));
    }

    static void end(QProcess &p)
    {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate();
        if (!p.waitForFinished(5000)) {
            p.kill();
            p.waitForFinished(2000);
        }
    }

    bool fail(const QString &message)
    {
        m_error = message;
        return false;
    }

    QTemporaryDir m_home;
    QString m_display;
    QString m_programDir;
    QString m_error;
    QProcess m_xvfb;
    QProcess m_openbox;
    QProcess m_bus;
    QString m_sessionBus;
    QProcess m_program;
    QProcessEnvironment m_extra;
    std::vector<std::unique_ptr<QProcess>> m_others;
};
