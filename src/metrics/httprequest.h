// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <functional>

namespace k4 {

// The head of one HTTP request as far as it has arrived. The endpoint reads nothing else: no
// body, no second request on the connection.
struct RequestHead {
    enum class State { Incomplete, Complete, TooLarge, Garbage };
    State state = State::Incomplete;
    QByteArray method;
    QByteArray target;
    bool acceptsGzip = false;  // an Accept-Encoding header names gzip (Prometheus's always does)
};

// Reads what a client has sent so far. Garbage as soon as the first bytes cannot begin a request
// line ("METHOD /target HTTP/1.x"); TooLarge when maxBytes have come without the head's end.
RequestHead ParseRequestHead(const QByteArray& received, int maxBytes);

// The whole response to a complete head: 200 with body for GET (and HEAD, without the body) of
// /metrics, gzipped for a client that takes it; 405 for another method there, 404 for any other
// target. The connection closes after it.
struct Reply {
    int status = 0;
    QByteArray bytes;
};
// body is called only for a request that gets it.
Reply ReplyTo(const RequestHead& head, const std::function<QByteArray()>& body);

// The response bytes for a status with a body and its content type.
QByteArray ResponseBytes(int status, const QByteArray& contentType, const QByteArray& body,
                         bool withBody = true, bool gzipped = false);
// 200, 404 or 405 for this method and target.
int StatusFor(const QByteArray& method, const QByteArray& target);

}  // namespace k4
