// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/httprequest.h"

#include "metrics/exposition.h"
#include "metrics/gzipbody.h"

#include <QList>

namespace k4 {

namespace {

constexpr int kLongestMethod = 16;

bool IsTokenChar(char c) {
    return c >= 'A' && c <= 'Z';
}

// Whether the bytes so far can still be the start of "METHOD SP TARGET SP HTTP/1.x".
bool CanBeRequestLine(const QByteArray& line) {
    int i = 0;
    while (i < line.size() && IsTokenChar(line[i])) {
        ++i;
    }
    if (i == line.size()) {
        return i <= kLongestMethod;
    }
    if (i == 0 || i > kLongestMethod || line[i] != ' ') {
        return false;
    }
    for (++i; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x21 && c != ' ') {
            return false;
        }
        if (c == 0x7F) {
            return false;
        }
    }
    return true;
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        default:
            return "Error";
    }
}

}  // namespace

RequestHead ParseRequestHead(const QByteArray& received, int maxBytes) {
    RequestHead head;
    const qsizetype lineEnd = received.indexOf('\n');
    QByteArray line = lineEnd < 0 ? received : received.left(lineEnd);
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    if (!CanBeRequestLine(line)) {
        head.state = RequestHead::State::Garbage;
        return head;
    }
    qsizetype end = received.indexOf("\r\n\r\n");
    if (end < 0) {
        end = received.indexOf("\n\n");
    }
    if (end < 0) {
        head.state = received.size() >= maxBytes ? RequestHead::State::TooLarge
                                                 : RequestHead::State::Incomplete;
        return head;
    }
    if (end > maxBytes) {
        head.state = RequestHead::State::TooLarge;
        return head;
    }
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() != 3 || parts[1].isEmpty() ||
        (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0")) {
        head.state = RequestHead::State::Garbage;
        return head;
    }
    head.state = RequestHead::State::Complete;
    head.method = parts[0];
    head.target = parts[1];
    for (const QByteArray& header : received.left(end).split('\n').mid(1)) {
        const qsizetype colon = header.indexOf(':');
        if (colon > 0 && header.left(colon).trimmed().toLower() == "accept-encoding" &&
            header.mid(colon + 1).toLower().contains("gzip")) {
            head.acceptsGzip = true;
        }
    }
    return head;
}

int StatusFor(const QByteArray& method, const QByteArray& target) {
    const qsizetype query = target.indexOf('?');
    const QByteArray path = query < 0 ? target : target.left(query);
    if (path != "/metrics") {
        return 404;
    }
    return method == "GET" || method == "HEAD" ? 200 : 405;
}

Reply ReplyTo(const RequestHead& head, const std::function<QByteArray()>& body) {
    const int status = StatusFor(head.method, head.target);
    if (status != 200) {
        return {status, ResponseBytes(status, "text/plain; charset=utf-8", QByteArray())};
    }
    const QByteArray plain = body();
    const QByteArray packed = head.acceptsGzip ? GzipBody(plain) : QByteArray();
    const bool gzipped = !packed.isEmpty();
    return {status, ResponseBytes(status, QByteArray(), gzipped ? packed : plain,
                                  head.method != "HEAD", gzipped)};
}

QByteArray ResponseBytes(int status, const QByteArray& contentType, const QByteArray& body,
                         bool withBody, bool gzipped) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + ReasonPhrase(status) +
                     "\r\nContent-Type: " +
                     (contentType.isEmpty() ? QByteArray(kExpositionContentType) : contentType) +
                     "\r\nContent-Length: " + QByteArray::number(body.size()) +
                     "\r\nConnection: close\r\n";
    if (gzipped) {
        out += "Content-Encoding: gzip\r\n";
    }
    if (status == 405) {
        out += "Allow: GET, HEAD\r\n";
    }
    out += "\r\n";
    if (withBody) {
        out += body;
    }
    return out;
}

}  // namespace k4
