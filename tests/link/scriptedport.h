// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A port for one exchange at a time: the first read after a request that left hands out the next
// scripted reply (an empty one is silence), any other read finds a quiet line; every call is
// written down so a test can check what went on the line and when.
#include "port/serialio.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

namespace k4test {

class ScriptedPort final : public k4::SerialIo {
public:
    bool open() override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void purgeReceive() override { calls << QStringLiteral("purge"); }
    bool write(const std::uint8_t* data, std::size_t size) override {
        calls << QStringLiteral("write");
        written.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
        replyDue_ = !writeTimesOut;
        return !writeTimesOut;
    }
    std::size_t read(std::uint8_t* buffer, std::size_t max) override {
        calls << QStringLiteral("read %1").arg(max);
        if (!replyDue_ || replies.empty()) {
            return 0;
        }
        replyDue_ = false;
        const QByteArray reply = replies.front();
        replies.pop_front();
        const std::size_t n = std::min(max, static_cast<std::size_t>(reply.size()));
        std::memcpy(buffer, reply.constData(), n);
        return n;
    }

    std::deque<QByteArray> replies;
    QByteArray written;
    QStringList calls;
    bool open_ = true;
    bool writeTimesOut = false;

private:
    bool replyDue_ = false;
};

}  // namespace k4test
