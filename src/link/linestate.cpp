// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/linestate.h"

namespace k4 {

QString LineStateText(const LineState& state) {
    const char* what = nullptr;
    switch (state.condition) {
        case LineCondition::Closed:
            return {};
        case LineCondition::Open:
            what = "open";
            break;
        case LineCondition::Lost:
            what = "lost, reopening";
            break;
        case LineCondition::CannotOpen:
            what = "cannot open, retrying";
            break;
    }
    QString text =
        PortLineText(state.portNumber, state.device) + QStringLiteral(": ") + QLatin1String(what);
    if ((state.condition == LineCondition::CannotOpen || state.condition == LineCondition::Lost) &&
        !state.reason.empty()) {
        text += QStringLiteral(": ") + QString::fromStdString(state.reason);
    }
    return text;
}

QString PortLineText(int portNumber, const std::string& device) {
    QString text = QStringLiteral("COM") + QString::number(portNumber);
    if (!device.empty()) {
        text += QStringLiteral(" (") + QString::fromStdString(device) + QLatin1Char(')');
    }
    return text;
}

void LineKeeper::started(bool opened, Clock::time_point now) {
    condition_ = opened ? LineCondition::Open : LineCondition::CannotOpen;
    // An adapter plugged in later, or a port another program holds for now, comes back the way
    // a lost one does.
    nextReopen_ = now + kReopenInterval;
}

void LineKeeper::lost(Clock::time_point now) {
    condition_ = LineCondition::Lost;
    // The device has just gone: give it a moment before the first look.
    nextReopen_ = now + kReopenInterval;
}

bool LineKeeper::reopenDue(Clock::time_point now) const {
    return (condition_ == LineCondition::Lost || condition_ == LineCondition::CannotOpen) &&
           now >= nextReopen_;
}

void LineKeeper::reopenTried(bool opened, Clock::time_point now) {
    if (opened) {
        condition_ = LineCondition::Open;
        return;
    }
    // Counted from the end of the attempt, so a slow failing open never makes attempts pile up.
    nextReopen_ = now + kReopenInterval;
}

}  // namespace k4
