// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/eventlogline.h"

namespace k4 {

QString GoneText(std::int64_t ns) {
    const std::int64_t ms = ns / 1'000'000;
    if (ms < 10'000) {
        return QStringLiteral("%1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 1);
    }
    const std::int64_t s = ms / 1000;
    if (s < 60) {
        return QStringLiteral("%1 s").arg(s);
    }
    if (s < 3600) {
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    }
    return QStringLiteral("%1 h %2 min").arg(s / 3600).arg((s % 3600) / 60);
}

QString EventLogLine(const LinkEvent& e, const QString& deviceLabel) {
    using K = LinkEvent::Kind;
    const QString port = PortLineText(e.line.portNumber, e.line.device);
    switch (e.kind) {
        case K::LineOpened:
            return port + QStringLiteral(": line open");
        case K::LineCannotOpen:
            return port + QStringLiteral(": cannot open, retrying: ") +
                   QString::fromStdString(e.line.reason);
        case K::LineLost:
            return port + QStringLiteral(": line lost, retrying");
        case K::LineBack:
            return port + QStringLiteral(": line back after ") + GoneText(e.goneNs());
        case K::LineClosed:
            return port + QStringLiteral(": line closed");
        case K::DeviceFailing:
            return deviceLabel + QStringLiteral(": no reply, failure episode %1").arg(e.episode);
        case K::DeviceBack:
            return deviceLabel +
                   QStringLiteral(": back after %1, failure episode %2 (%3 failed exchanges)")
                       .arg(GoneText(e.goneNs()))
                       .arg(e.episode)
                       .arg(e.failures);
        case K::AttentionRaised:
            return deviceLabel + QStringLiteral(": attention raised");
        case K::AttentionCleared:
            return deviceLabel + QStringLiteral(": attention cleared");
    }
    return deviceLabel + QStringLiteral(": unknown event");
}

}  // namespace k4
