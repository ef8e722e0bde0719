// A test-only Qt plugin that lets a test drive the real scrivlet binary from
// outside. Loaded through QT_QPA_GENERIC_PLUGINS, it reports the program's
// visible top-level windows on stdout whenever they change and obeys simple
// commands read from stdin, so the program itself needs no test hooks.
//
// Output:  "windows <name>=<title>|*<name>=<title>|..." sorted by name; "*"
//          marks the active window.
// Input:   "enter"                 Enter key to the focused widget
//          "click <window> <button>"
//          "close <window>"
//          "trigger <window> <action>"   a menu item by its objectName

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QGenericPlugin>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

class WindowProbe : public QObject
{
public:
    WindowProbe()
        : m_timer(new QTimer(this)), m_input(new QSocketNotifier(0, QSocketNotifier::Read, this))
    {
        m_timer->setInterval(20);
        connect(m_timer, &QTimer::timeout, this, &WindowProbe::report);
        m_timer->start();
        connect(m_input, &QSocketNotifier::activated, this, &WindowProbe::readCommands);
    }

private:
    static QWidget *window(const QString &name)
    {
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (w->objectName() == name && w->isVisible())
                return w;
        }
        return nullptr;
    }

    void report()
    {
        QStringList entries;
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            if (!w->isVisible() || w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip)
                continue;
            const QString mark =
                w == QApplication::activeWindow() ? QStringLiteral("*") : QString();
            entries.append(w->objectName() + u'=' + w->windowTitle() + mark);
        }
        entries.sort();
        const QString line = QStringLiteral("windows ") + entries.join(u'|');
        if (line == m_last)
            return;
        m_last = line;
        std::fputs(qPrintable(line + u'\n'), stdout);
        std::fflush(stdout);
    }

    void readCommands()
    {
        char buffer[512];
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n <= 0) {
            m_input->setEnabled(false);
            return;
        }
        m_pending.append(buffer, n);
        qsizetype end;
        while ((end = m_pending.indexOf('\n')) >= 0) {
            const QStringList words =
                QString::fromUtf8(m_pending.left(end)).split(u' ', Qt::SkipEmptyParts);
            m_pending.remove(0, end + 1);
            run(words);
        }
    }

    void run(const QStringList &words)
    {
        if (words.value(0) == u"enter") {
            if (QWidget *target = QApplication::focusWidget()) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier,
                                QStringLiteral("\r"));
                QApplication::sendEvent(target, &press);
            }
        } else if (words.value(0) == u"click" && words.size() == 3) {
            if (QWidget *w = window(words.at(1))) {
                if (auto *button = w->findChild<QAbstractButton *>(words.at(2)))
                    button->click();
            }
        } else if (words.value(0) == u"trigger" && words.size() == 3) {
            if (QWidget *w = window(words.at(1))) {
                if (auto *action = w->findChild<QAction *>(words.at(2)))
                    action->trigger();
            }
        } else if (words.value(0) == u"close" && words.size() == 2) {
            if (QWidget *w = window(words.at(1)))
                w->close();
        }
    }

    QTimer *m_timer;
    QSocketNotifier *m_input;
    QByteArray m_pending;
    QString m_last;
};

} // namespace

class WindowProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "windowprobe.json")

public:
    QObject *create(const QString &, const QString &) override { return new WindowProbe; }
};

#include "windowprobe.moc"
