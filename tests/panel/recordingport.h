// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A port that records every request the link writes and never answers. The link thread writes,
// the test thread reads: the log is guarded by its own mutex.
#include "port/serialio.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace k4test {

using Frame = std::array<std::uint8_t, 4>;

class FrameLog {
public:
    void add(const Frame& f) {
        std::lock_guard lock(mutex_);
        frames_.push_back(f);
    }
    std::vector<Frame> frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    void clear() {
        std::lock_guard lock(mutex_);
        frames_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Frame> frames_;
};

class RecordingPort final : public k4::SerialIo {
public:
    explicit RecordingPort(std::shared_ptr<FrameLog> log) : log_(std::move(log)) {}
    bool open() override {
        open_ = true;
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void purgeReceive() override {}
    bool write(const std::uint8_t* data, std::size_t size) override {
        if (size == 4) {
            log_->add({data[0], data[1], data[2], data[3]});
        }
        return true;
    }
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }

private:
    std::shared_ptr<FrameLog> log_;
    bool open_ = false;
};

}  // namespace k4test
