// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A port that passes everything to the real line and notes when each exchange's request went out
// and when its read ended, for the link benchmark.
#include "link/frame.h"
#include "port/serialio.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

namespace k4bench {

using Clock = std::chrono::steady_clock;

struct TimedExchange {
    std::uint8_t address = 0;
    std::uint8_t key = 0;
    Clock::time_point begun;    // purge, before the request is written
    Clock::time_point written;  // the request handed to the line
    Clock::time_point ended;    // the read has ended
    std::size_t replyBytes = 0;
};

class ExchangeLog {
public:
    void add(const TimedExchange& e) {
        std::lock_guard lock(mutex_);
        exchanges_.push_back(e);
    }
    std::vector<TimedExchange> take() {
        std::lock_guard lock(mutex_);
        std::vector<TimedExchange> out;
        out.swap(exchanges_);
        return out;
    }

private:
    std::mutex mutex_;
    std::vector<TimedExchange> exchanges_;
};

class TimingPort final : public k4::SerialIo {
public:
    TimingPort(std::unique_ptr<k4::SerialIo> line, std::shared_ptr<ExchangeLog> log)
        : line_(std::move(line)), log_(std::move(log)) {}

    bool open() override { return line_->open(); }
    void close() override { line_->close(); }
    bool isOpen() const override { return line_->isOpen(); }
    void purgeReceive() override {
        current_ = {};
        current_.begun = Clock::now();
        line_->purgeReceive();
    }
    bool write(const std::uint8_t* data, std::size_t size) override {
        if (size == k4::kRequestSize) {
            current_.address = data[1];
            current_.key = data[2];
        }
        const bool sent = line_->write(data, size);
        current_.written = Clock::now();
        return sent;
    }
    std::size_t read(std::uint8_t* buffer, std::size_t max) override {
        current_.replyBytes = line_->read(buffer, max);
        current_.ended = Clock::now();
        log_->add(current_);
        return current_.replyBytes;
    }

private:
    std::unique_ptr<k4::SerialIo> line_;
    std::shared_ptr<ExchangeLog> log_;
    TimedExchange current_;
};

}  // namespace k4bench
