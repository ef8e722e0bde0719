#pragma once

#include <QByteArray>
#include <QtGlobal>

// Tests serve their pages from 127.0.0.1 and must never reach further. The
// program's real link addresses are sent to a dead local proxy, so a link
// followed in a test ends on the engine's error page; loopback addresses
// bypass the proxy. Child processes started by a test inherit the setting.
inline const bool localNetworkOnly = [] {
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray("--proxy-server=127.0.0.1:9"));
    return true;
}();
