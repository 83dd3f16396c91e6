// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historyrecorder.h"

#include "core/devicehealth.h"
#include "link/linestate.h"

#include <QDateTime>

namespace k4 {

namespace {

QString PortText(const LinkEvent& e) {
    return PortLineText(e.line.portNumber, e.line.device);
}

}  // namespace

HistoryRow LinkEventRow(const LinkEvent& e) {
    using K = LinkEvent::Kind;
    HistoryRow row;
    row.utcMs = e.utcMs;
    if (!e.isLineEvent()) {
        row.device = e.address;
    }
    switch (e.kind) {
        case K::LineOpened:
            row.kind = HistoryKind::LineOpened;
            row.text = PortText(e) + QStringLiteral(": opened");
            break;
        case K::LineCannotOpen:
            row.kind = HistoryKind::LineCannotOpen;
            row.text = PortText(e) + QStringLiteral(": cannot open");
            if (!e.line.reason.empty()) {
                row.text += QStringLiteral(": ") + QString::fromStdString(e.line.reason);
            }
            break;
        case K::LineLost:
            row.kind = HistoryKind::LineLost;
            row.text = PortText(e) + QStringLiteral(": lost");
            break;
        case K::LineBack:
            row.kind = HistoryKind::LineBack;
            row.text = PortText(e) + QStringLiteral(": back after ") + ElapsedText(e.goneNs());
            break;
        case K::LineClosed:
            row.kind = HistoryKind::LineClosed;
            row.text = PortText(e) + QStringLiteral(": closed");
            break;
        case K::DeviceFailing:
            row.kind = HistoryKind::DeviceFailing;
            row.text = QStringLiteral("no reply (failure episode %1)").arg(e.episode);
            break;
        case K::DeviceBack:
            row.kind = HistoryKind::DeviceBack;
            row.text = QStringLiteral("answering again after %1, %2 failed exchanges")
                           .arg(ElapsedText(e.goneNs()), GroupedCount(e.failures));
            break;
        case K::AttentionRaised:
            row.kind = HistoryKind::AttentionRaised;
            row.text = QStringLiteral("attention raised");
            break;
        case K::AttentionCleared:
            row.kind = HistoryKind::AttentionCleared;
            row.text = QStringLiteral("attention cleared");
            break;
    }
    return row;
}

HistoryRecorder::HistoryRecorder(Sink sink, Context context)
    : sink_(std::move(sink)), context_(std::move(context)) {}

void HistoryRecorder::record(const LinkEvent& event) {
    hand(LinkEventRow(event));
}

void HistoryRecorder::recordOperator(HistoryKind kind, int device, const QString& name,
                                     const QString& text) {
    HistoryRow row;
    row.utcMs = QDateTime::currentMSecsSinceEpoch();
    row.kind = kind;
    row.device = device;
    row.deviceName = name;
    row.text = text;
    hand(std::move(row));
}

void HistoryRecorder::hand(HistoryRow row) {
    if (row.device != kNoDevice && row.deviceName.isEmpty() && context_.deviceName) {
        row.deviceName = context_.deviceName(static_cast<std::uint8_t>(row.device));
    }
    if (context_.workspace) {
        row.workspace = context_.workspace();
    }
    sink_(std::move(row));
}

}  // namespace k4
