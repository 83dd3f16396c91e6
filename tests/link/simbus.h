// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A bus of simulated devices behind a fake port, for tests of the link loop: every frame written
// is recorded with its time, each address answers as its mode says, and a test can hold the line
// (the next read blocks until released) to have an exchange in progress at a moment it chooses.
#include "link/frame.h"
#include "port/serialio.h"
#include "link/trs232flow.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace k4test {

class SimBus {
public:
    enum class Mode { Display, Silent, TwoByte, AttentionDisplay };
    using Clock = std::chrono::steady_clock;
    struct Frame {
        std::uint8_t address;
        std::uint8_t key;
        Clock::time_point at;
    };

    void setMode(std::uint8_t address, Mode mode) {
        std::lock_guard lock(mutex_);
        modes_[address] = mode;
    }
    void setOpenFails(bool fails) {
        std::lock_guard lock(mutex_);
        openFails_ = fails;
    }
    void setSettleTime(std::chrono::milliseconds settle) {
        std::lock_guard lock(mutex_);
        settle_ = settle;
    }
    std::chrono::milliseconds settleTime() const {
        std::lock_guard lock(mutex_);
        return settle_;
    }
    // From now on a read blocks until release().
    void hold() {
        std::lock_guard lock(mutex_);
        holding_ = true;
    }
    void release() {
        {
            std::lock_guard lock(mutex_);
            holding_ = false;
        }
        cv_.notify_all();
    }
    // True once a read is blocked by hold().
    bool waitUntilHeld(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return readsHeld_ > 0; });
    }
    bool waitForFrames(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return frames_.size() >= count; });
    }
    std::vector<Frame> frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    std::size_t frameCount() const {
        std::lock_guard lock(mutex_);
        return frames_.size();
    }
    int opens() const {
        std::lock_guard lock(mutex_);
        return opens_;
    }
    int closes() const {
        std::lock_guard lock(mutex_);
        return closes_;
    }

private:
    friend class SimPort;
    bool tryOpen() {
        std::lock_guard lock(mutex_);
        ++opens_;
        return !openFails_;
    }
    void closed() {
        std::lock_guard lock(mutex_);
        ++closes_;
    }
    // Records the frame and returns the reply the addressed device gives.
    std::vector<std::uint8_t> exchange(const std::uint8_t* data, std::size_t size) {
        std::vector<std::uint8_t> reply;
        {
            std::lock_guard lock(mutex_);
            if (size != k4::kRequestSize || data[0] != k4::kFrameLead) {
                return reply;
            }
            frames_.push_back({data[1], data[2], Clock::now()});
            const auto it = modes_.find(data[1]);
            const Mode mode = it == modes_.end() ? Mode::Silent : it->second;
            switch (mode) {
                case Mode::Display:
                case Mode::AttentionDisplay:
                    reply.assign(k4::kDisplayReplySize, ' ');
                    reply[1] = static_cast<std::uint8_t>(
                        '0' + data[1] % 10 + (mode == Mode::AttentionDisplay ? 0x80 : 0));
                    break;
                case Mode::TwoByte:
                    reply.assign(k4::kTwoByteReplySize, 0x06);
                    break;
                case Mode::Silent:
                    break;
            }
        }
        cv_.notify_all();
        return reply;
    }
    void blockWhileHeld() {
        std::unique_lock lock(mutex_);
        if (!holding_) {
            return;
        }
        ++readsHeld_;
        cv_.notify_all();
        cv_.wait(lock, [this] { return !holding_; });
        --readsHeld_;
    }

    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::map<std::uint8_t, Mode> modes_;
    std::vector<Frame> frames_;
    bool openFails_ = false;
    std::chrono::milliseconds settle_{};
    bool holding_ = false;
    int readsHeld_ = 0;
    int opens_ = 0;
    int closes_ = 0;
};

class SimPort final : public k4::SerialIo {
public:
    explicit SimPort(std::shared_ptr<SimBus> bus) : bus_(std::move(bus)) {}
    bool open() override { return open_ = bus_->tryOpen(); }
    void close() override {
        if (open_) {
            bus_->closed();
        }
        open_ = false;
    }
    bool isOpen() const override { return open_; }
    std::chrono::milliseconds settleTime() const override { return bus_->settleTime(); }
    void purgeReceive() override { pending_.clear(); }
    bool write(const std::uint8_t* data, std::size_t size) override {
        if (open_) {
            pending_ = bus_->exchange(data, size);
        }
        return open_;
    }
    std::size_t read(std::uint8_t* buffer, std::size_t max) override {
        bus_->blockWhileHeld();
        const std::size_t n = std::min(max, pending_.size());
        if (n > 0) {
            std::memcpy(buffer, pending_.data(), n);
        }
        pending_.clear();
        return n;
    }

private:
    std::shared_ptr<SimBus> bus_;
    std::vector<std::uint8_t> pending_;
    bool open_ = false;
};

// The bus must outlive every port it made: the factory keeps it alive.
inline k4::PortFactory MakeSimFactory(const std::shared_ptr<SimBus>& bus,
                                      std::shared_ptr<std::vector<int>> portNumbers = {}) {
    return [bus, portNumbers](int portNumber) -> std::unique_ptr<k4::SerialIo> {
        if (portNumbers) {
            portNumbers->push_back(portNumber);
        }
        return std::make_unique<SimPort>(bus);
    };
}

}  // namespace k4test
