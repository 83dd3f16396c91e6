// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

namespace k4 {

// What a client of the endpoint may take: the console serves strangers on the network.
struct ClientLimits {
    int maxConnections = 16;     // more at once are closed as they come
    int maxRequestBytes = 8192;  // the request head; more closes the connection
    int deadlineMs = 5000;       // a connection's whole life, however slowly bytes trickle in
};

// The HTTP endpoint on the thread that makes it (the GUI thread, or the service's main thread),
// so a scrape reads the device names where they are owned, with no lock and no thread of its own.
// One request a connection; the connection closes after the reply.
class MetricsServer final : public QObject {
    Q_OBJECT
public:
    using Body = std::function<QByteArray()>;
    explicit MetricsServer(Body body, QObject* parent = nullptr);
    ~MetricsServer() override;

    void setLimits(const ClientLimits& limits) { limits_ = limits; }
    // False with error() set ("address in use") when the address cannot be bound.
    bool listen(const QHostAddress& host, quint16 port);
    void close();
    bool isListening() const;
    quint16 port() const;
    QString error() const { return error_; }
    int connections() const { return connections_; }

Q_SIGNALS:
    // A GET of /metrics was answered.
    void scraped();

private:
    void acceptPending();
    void readFrom(QTcpSocket* socket, QByteArray& received);

    Body body_;
    ClientLimits limits_;
    QTcpServer* server_;
    QString error_;
    int connections_ = 0;
};

}  // namespace k4
