// SPDX-License-Identifier: GPL-3.0-or-later
#include "macro/macrorun.h"

#include <QStringList>

#include <algorithm>

namespace k4 {

MacroRun::MacroRun(QString name, std::vector<MacroStep> steps, std::vector<std::uint8_t> addresses)
    : name_(std::move(name)), steps_(std::move(steps)) {
    for (std::uint8_t address : addresses) {
        devices_.push_back(Device{address, 0, std::nullopt, std::nullopt, false});
    }
    const auto keys = std::count_if(steps_.begin(), steps_.end(),
                                    [](const MacroStep& s) { return !s.isPause(); });
    keysTotal_ = static_cast<int>(keys) * static_cast<int>(devices_.size());
}

bool MacroRun::deviceDone(const Device& d) const {
    return d.failed || (!d.inFlight && d.next >= steps_.size());
}

bool MacroRun::finished() const {
    return std::all_of(devices_.begin(), devices_.end(),
                       [this](const Device& d) { return stopped_ ? !d.inFlight : deviceDone(d); });
}

void MacroRun::advance(Clock::time_point now, const Send& send) {
    if (stopped_) {
        return;
    }
    for (Device& d : devices_) {
        while (!d.failed && !d.inFlight && d.next < steps_.size()) {
            const MacroStep& step = steps_[d.next];
            if (step.isPause()) {
                // The pause runs from the moment the device reached it: the end of its last key.
                if (!d.pauseUntil) {
                    d.pauseUntil = now + std::chrono::milliseconds(step.pauseMs);
                }
                if (now < *d.pauseUntil) {
                    break;
                }
                d.pauseUntil.reset();
                ++d.next;
                continue;
            }
            if (send(d.address, step.key)) {
                d.inFlight = step.key;
                ++d.next;
            }
            break;
        }
    }
}

void MacroRun::keyEnded(std::uint8_t address, std::uint8_t key, bool failed) {
    for (Device& d : devices_) {
        if (d.address == address && d.inFlight == key) {
            d.inFlight.reset();
            ++keysEnded_;
            d.failed = failed;
            return;
        }
    }
}

void MacroRun::takenBack(std::uint8_t address, std::uint8_t key) {
    for (Device& d : devices_) {
        if (d.address == address && d.inFlight == key) {
            d.inFlight.reset();
            --d.next;  // the step is still to be taken
            return;
        }
    }
}

QString MacroRun::progressText() const {
    return QStringLiteral("Macro '%1': %2%3 of %4 keys")
        .arg(name_, stopped_ ? QStringLiteral("stopping at ") : QString())
        .arg(keysEnded_)
        .arg(keysTotal_);
}

QString MacroRun::endText() const {
    if (stopped_) {
        return QStringLiteral("Macro '%1': stopped after %2 of %3 keys")
            .arg(name_)
            .arg(keysEnded_)
            .arg(keysTotal_);
    }
    int done = 0;
    QStringList failed;
    for (const Device& d : devices_) {
        if (d.failed) {
            failed << QStringLiteral("ID %1").arg(d.address);
        } else {
            ++done;
        }
    }
    QString text = QStringLiteral("Macro '%1': %2 %3 done")
                       .arg(name_)
                       .arg(done)
                       .arg(done == 1 ? QStringLiteral("device") : QStringLiteral("devices"));
    if (!failed.isEmpty()) {
        text +=
            QStringLiteral(", ") + failed.join(QStringLiteral(", ")) + QStringLiteral(" failed");
    }
    return text;
}

}  // namespace k4
