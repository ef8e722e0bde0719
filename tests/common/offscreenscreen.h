#pragma once

#include <QFile>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

// The environment of a child run of a test on one offscreen screen of `size`
// (at 96 dpi), described in a file in `dir`; "" when the file could not be
// written.
inline QProcessEnvironment offscreenScreen(const QTemporaryDir &dir, QSize size)
{
    QFile config(dir.filePath(QStringLiteral("screen.json")));
    if (!config.open(QIODevice::WriteOnly))
        return {};
    config.write(QStringLiteral(R"({"screens": [{"name": "test", "x": 0, "y": 0,
        "width": %1, "height": %2, "logicalDpi": 96, "logicalBpi": 96, "dpr": 1}]})")
                     .arg(size.width())
                     .arg(size.height())
                     .toUtf8());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               QStringLiteral("offscreen:configfile=") + config.fileName());
    return env;
}
