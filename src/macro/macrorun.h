// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "macro/macrokeys.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace k4 {

// One run of a macro: its key sequence sent to each of its devices. Free of widgets and of the
// link; whoever drives it hands it the time, a way to queue a key, and the end of every key
// command's exchange.
//
// Each device goes through the sequence on its own: a key is queued only after the exchange of
// its previous key has ended, and a pause starts there and holds that device alone. A device whose
// key fails gets no more keys. A key the ring refuses is offered again at the next advance.
//
// A stopped run sends nothing more, but keys already on their way still end and are counted, so
// its count is the keys that reached the line; it is finished once none is on its way.
class MacroRun {
public:
    using Clock = std::chrono::steady_clock;
    // Queues a key command; false when it was refused (the ring is full, no link runs).
    using Send = std::function<bool(std::uint8_t address, std::uint8_t key)>;

    MacroRun(QString name, std::vector<MacroStep> steps, std::vector<std::uint8_t> addresses);

    // Sends every key that is due at now: one per device that waits for nothing.
    void advance(Clock::time_point now, const Send& send);
    // A key command's exchange has ended; one this run is not waiting for (an operator's click,
    // a key of an earlier run) changes nothing.
    void keyEnded(std::uint8_t address, std::uint8_t key, bool failed);
    // A key this run queued was taken back before it was sent: it will neither go out nor end.
    void takenBack(std::uint8_t address, std::uint8_t key);
    // Nothing more is sent; keys on their way still end.
    void stop() { stopped_ = true; }

    bool finished() const;
    bool stopped() const { return stopped_; }
    const QString& name() const { return name_; }
    int keysTotal() const { return keysTotal_; }
    int keysEnded() const { return keysEnded_; }
    // "Macro 'Setup A': 12 of 20 keys", or "Macro 'Setup A': stopping at 12 of 20 keys"
    QString progressText() const;
    // "Macro 'Setup A': 4 devices done, ID 7 failed", or how far a stopped run came.
    QString endText() const;

private:
    struct Device {
        std::uint8_t address = 0;
        std::size_t next = 0;  // the step to take next
        std::optional<std::uint8_t> inFlight;
        std::optional<Clock::time_point> pauseUntil;
        bool failed = false;
    };
    bool deviceDone(const Device& d) const;

    QString name_;
    std::vector<MacroStep> steps_;
    std::vector<Device> devices_;
    int keysTotal_ = 0;
    int keysEnded_ = 0;
    bool stopped_ = false;
};

}  // namespace k4
