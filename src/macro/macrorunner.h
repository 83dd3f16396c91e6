// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/commandring.h"
#include "macro/macrorun.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace k4 {

// Drives one macro run at a time on the GUI thread: it ticks while a run goes on (so a pause ends
// and a refused key is offered again within one tick), hands each ended key command to the run
// and at once sends what that makes due, and reports progress and end as status texts. Free of
// widgets: the program and the tests give it the way keys go out and are taken back.
//
// Every run queues its keys under a ticket of its own. Stop takes back the run's keys still
// waiting in the ring; a key the link has begun to send ends as usual, and the run ends once the
// last of them has, so the count it ends with is the keys that reached the line. A start while a
// run goes on (stopping included) is refused and said so: a run is never restarted or mixed
// with another by a second press.
class MacroRunner final : public QObject {
    Q_OBJECT
public:
    using Now = std::function<MacroRun::Clock::time_point()>;
    using Epoch = std::function<std::uint64_t()>;
    // Queues a key under a run's ticket; false when it was refused.
    using Queue = std::function<bool(std::uint8_t address, std::uint8_t key, CommandOwner ticket)>;
    // Takes back the ticket's keys the link has not begun to send.
    using TakeBack = std::function<std::vector<KeyCommand>(CommandOwner ticket)>;

    MacroRunner(Queue queue, TakeBack takeBack, QObject* parent = nullptr);

    // The clock pauses are measured on (the steady clock unless set).
    void setClock(Now now);
    // Counts the link's starts and stops. When it changes during a run, keys still in the ring
    // are gone and no end will come for them: the run ends at once.
    void setLinkEpoch(Epoch epoch);

    // Starts a run; false (and a status text that says why) while another goes on.
    bool start(const QString& name, std::vector<MacroStep> steps,
               std::vector<std::uint8_t> addresses);
    // No key of the run is sent after this; it ends when the keys on their way have ended.
    void stop();
    // Also while a stopped run waits for its last keys.
    bool running() const { return run_.has_value(); }
    // Called for every key command whose exchange has ended.
    void keyEnded(std::uint8_t address, std::uint8_t key, bool failed, CommandOwner owner);
    // Advances the run to the current time (also done by the tick).
    void pump();
    // Shows text where the runs' texts go (a start refused before it reached the runner).
    void say(const QString& text) { show(text); }

Q_SIGNALS:
    void statusChanged(const QString& text);
    void runningChanged(bool running);

private:
    void finish();
    bool linkChanged() const;
    void show(const QString& text);

    Queue queue_;
    TakeBack takeBack_;
    Now now_;
    Epoch epoch_;
    std::uint64_t startEpoch_ = 0;
    CommandOwner ticket_ = kNoOwner;
    std::optional<MacroRun> run_;
    QString refused_;  // the start refused during this run, kept in its progress text
    QTimer tick_;
    QString shown_;
};

}  // namespace k4
