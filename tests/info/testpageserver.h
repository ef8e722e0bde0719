#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

// A tiny web server on 127.0.0.1 for the browser tests.
//   /redirect      302 to /b
//   /slow          answered only when release() is called
//   /notitle       a page without a title
//   /alert         a page that shows a script alert while it loads
//   anything else  a page titled "Page <path>"
// Every page is sent with no-store, so each navigation is a request.
class TestPageServer : public QObject
{
public:
    TestPageServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    quint16 port() const { return m_server.serverPort(); }

    // Request targets in order of arrival, favicon requests left out.
    QList<QByteArray> requests;
    int count(const QByteArray &target) const { return int(requests.count(target)); }

    void release()
    {
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_held)) {
            if (socket)
                answer(socket, page("Slow page"));
        }
        m_held.clear();
    }

private:
    static QByteArray page(const QByteArray &title)
    {
        const QByteArray head =
            title.isNull() ? QByteArray() : "<head><title>" + title + "</title></head>";
        return "<html>" + head + "<body><p>" + title + "</p></body></html>";
    }

    static void answer(QTcpSocket *socket, const QByteArray &body,
                       const QByteArray &status = "200 OK", const QByteArray &extra = {})
    {
        socket->write("HTTP/1.1 " + status +
                      "\r\nContent-Type: text/html\r\n"
                      "Cache-Control: no-store\r\nConnection: close\r\n" +
                      extra + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
                      body);
        socket->disconnectFromHost();
    }

    void serve(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n"))
            return;
        const QByteArray target = buffer.split(' ').value(1);
        m_buffers.remove(socket);
        if (target == "/favicon.ico") {
            answer(socket, {}, "404 Not Found");
            return;
        }
        requests.append(target);
        if (target == "/redirect")
            answer(socket, {}, "302 Found", "Location: /b\r\n");
        else if (target == "/slow")
            m_held.append(socket);
        else if (target == "/notitle")
            answer(socket, page({}));
        else if (target == "/alert")
            answer(socket, "<html><head><title>Alert</title></head>"
                           "<body><script>alert('Hello')</script></body></html>");
        else
            answer(socket, page("Page " + target));
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<QPointer<QTcpSocket>> m_held;
};
