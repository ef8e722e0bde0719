#include "hostservices.h"

#include "keystrokequeue.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>

HostServices::HostServices(QObject *parent)
    : QObject(parent), m_keystrokes(new KeystrokeQueue(this))
{}

HostServices::~HostServices() = default;

QString HostServices::applicationTitle()
{
    return QStringLiteral("Scrivlet IDE");
}

QString HostServices::showOpen(const QString &title, const QString &filter)
{
    QString chosen = runFileDialog(FileMode::Open, title, filter, m_lastFileName);
    if (!chosen.isEmpty())
        m_lastFileName = chosen;
    return chosen;
}

QString HostServices::showSave(const QString &title, const QString &filter, const QString &preset)
{
    if (!preset.isEmpty())
        m_lastFileName = preset;
    QString chosen = runFileDialog(FileMode::Save, title, filter, m_lastFileName);
    if (!chosen.isEmpty())
        m_lastFileName = chosen;
    return chosen;
}

bool HostServices::sendKeys(const QString &notation, QWidget *window)
{
    return m_keystrokes->send(notation, window);
}

void HostServices::clipboardClear()
{
    QGuiApplication::clipboard()->clear();
}

void HostServices::clipboardSetText(const QString &text)
{
    QGuiApplication::clipboard()->setText(text);
}

QString HostServices::clipboardText() const
{
    // Only plain text counts: a picture or other data on the clipboard reads as "".
    return QGuiApplication::clipboard()->text();
}

void HostServices::saveSetting(const QString &section, const QString &key, const QString &value)
{
    QSettings settings(applicationTitle(), applicationTitle());
    settings.beginGroup(section);
    settings.setValue(key, value);
}

QString HostServices::readSetting(const QString &section, const QString &key,
                                  const QString &fallback) const
{
    QSettings settings(applicationTitle(), applicationTitle());
    settings.beginGroup(section);
    return settings.value(key, fallback).toString();
}

QString HostServices::userDirectory() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u'/' +
           applicationTitle();
}

void HostServices::registerWindow(QWidget *window)
{
    m_windows.append(window);
    connect(window, &QObject::destroyed, this,
            [this] { m_windows.removeIf([](const QPointer<QWidget> &w) { return w.isNull(); }); });
}

QList<QWidget *> HostServices::loadedWindows() const
{
    QList<QWidget *> windows;
    for (const auto &w : m_windows) {
        if (w)
            windows.append(w);
    }
    return windows;
}
