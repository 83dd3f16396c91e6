#pragma once

#include "macro/macrorun.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

namespace k4 {

// Drives one macro run at a time on the GUI thread: it ticks while a run goes on (so a pause ends
// and a refused key is offered again within one tick), hands each ended key command to the run
// and at once sends what that makes due, and reports progress and end as status texts. Free of
// widgets: the program and the tests give it the way keys go out.
class MacroRunner final : public QObject {
    Q_OBJECT
public:
    using Now = std::function<MacroRun::Clock::time_point()>;
    using Epoch = std::function<std::uint64_t()>;

    explicit MacroRunner(MacroRun::Send send, QObject* parent = nullptr);

    // The clock pauses are measured on (the steady clock unless set).
    void setClock(Now now);
    // Counts the link's starts and stops. When it changes during a run, keys still in the ring
    // are gone and no end will come for them: the run stops.
    void setLinkEpoch(Epoch epoch);

    // Stops a run in progress, then starts this one.
    void start(const QString& name, std::vector<MacroStep> steps,
               std::vector<std::uint8_t> addresses);
    // Ends the run in progress at once: no key is sent after it.
    void stop();
    bool running() const { return run_.has_value(); }
    // Called for every key command whose exchange has ended.
    void keyEnded(std::uint8_t address, std::uint8_t key, bool failed);
    // Advances the run to the current time (also done by the tick).
    void pump();

Q_SIGNALS:
    void statusChanged(const QString& text);
    void runningChanged(bool running);

private:
    void finish();
    bool linkChanged() const;

    MacroRun::Send send_;
    Now now_;
    Epoch epoch_;
    std::uint64_t startEpoch_ = 0;
    std::optional<MacroRun> run_;
    QTimer tick_;
    QString shown_;
};

}  // namespace k4
