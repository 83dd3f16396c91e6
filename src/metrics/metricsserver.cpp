// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metricsserver.h"

#include "metrics/httprequest.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace k4 {

namespace {

QString BindError(const QTcpServer& server) {
    switch (server.serverError()) {
        case QAbstractSocket::AddressInUseError:
            return QStringLiteral("address in use");
        case QAbstractSocket::SocketAddressNotAvailableError:
            return QStringLiteral("address not available on this computer");
        case QAbstractSocket::SocketAccessError:
            return QStringLiteral("permission denied");
        default:
            return server.errorString();
    }
}

}  // namespace

MetricsServer::MetricsServer(Body body, QObject* parent)
    : QObject(parent), body_(std::move(body)), server_(new QTcpServer(this)) {
    connect(server_, &QTcpServer::newConnection, this, &MetricsServer::acceptPending);
}

MetricsServer::~MetricsServer() = default;

bool MetricsServer::listen(const QHostAddress& host, quint16 port) {
    close();
    if (!server_->listen(host, port)) {
        error_ = BindError(*server_);
        return false;
    }
    error_.clear();
    return true;
}

void MetricsServer::close() {
    server_->close();
}

bool MetricsServer::isListening() const {
    return server_->isListening();
}

quint16 MetricsServer::port() const {
    return server_->serverPort();
}

void MetricsServer::acceptPending() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (connections_ >= limits_.maxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        socket->setParent(this);
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        // One deadline from the accept: bytes that trickle in do not extend it.
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, [socket] { socket->abort(); });
        deadline->start(limits_.deadlineMs);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::errorOccurred, socket, [socket] {
            if (socket->state() == QAbstractSocket::UnconnectedState) {
                socket->deleteLater();
            }
        });
        auto received = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket, received] { readFrom(socket, *received); });
    }
}

void MetricsServer::readFrom(QTcpSocket* socket, QByteArray& received) {
    if (socket->property("answered").toBool()) {
        socket->readAll();  // one request a connection: the rest is dropped
        return;
    }
    // Never more than the bound plus one byte is kept, however much the peer pushes.
    received += socket->read(limits_.maxRequestBytes + 1 - received.size());
    const RequestHead head = ParseRequestHead(received, limits_.maxRequestBytes);
    if (head.state == RequestHead::State::Incomplete) {
        return;
    }
    socket->setProperty("answered", true);
    if (head.state != RequestHead::State::Complete) {
        socket->abort();
        return;
    }
    const Reply reply = ReplyTo(head, body_);
    socket->write(reply.bytes);
    socket->disconnectFromHost();
    if (reply.status == 200) {
        Q_EMIT scraped();
    }
}

}  // namespace k4
