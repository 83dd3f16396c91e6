// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/historyrow.h"

#include "core/devicetable.h"

namespace k4 {

KindRange GroupKinds(HistoryGroup group) {
    switch (group) {
        case HistoryGroup::Line:
            return {1, 19};
        case HistoryGroup::Devices:
            return {20, 39};
        case HistoryGroup::Operator:
            return {40, 79};
        case HistoryGroup::All:
            break;
    }
    return {1, 79};
}

HistoryGroup GroupOf(HistoryKind kind) {
    for (const auto g : {HistoryGroup::Line, HistoryGroup::Devices, HistoryGroup::Operator}) {
        const KindRange r = GroupKinds(g);
        if (static_cast<int>(kind) >= r.first && static_cast<int>(kind) <= r.last) {
            return g;
        }
    }
    return HistoryGroup::All;
}

QString KindText(HistoryKind kind) {
    switch (kind) {
        case HistoryKind::ConsoleStarted:
            return QStringLiteral("History started");
        case HistoryKind::LineOpened:
            return QStringLiteral("Line opened");
        case HistoryKind::LineCannotOpen:
            return QStringLiteral("Line cannot open");
        case HistoryKind::LineLost:
            return QStringLiteral("Line lost");
        case HistoryKind::LineBack:
            return QStringLiteral("Line back");
        case HistoryKind::LineClosed:
            return QStringLiteral("Line closed");
        case HistoryKind::DeviceFailing:
            return QStringLiteral("Device failing");
        case HistoryKind::DeviceBack:
            return QStringLiteral("Device back");
        case HistoryKind::AttentionRaised:
            return QStringLiteral("Attention raised");
        case HistoryKind::AttentionCleared:
            return QStringLiteral("Attention cleared");
        case HistoryKind::WorkspaceOpened:
            return QStringLiteral("Workspace opened");
        case HistoryKind::WorkspaceSaved:
            return QStringLiteral("Workspace saved");
        case HistoryKind::WorkspaceClosed:
            return QStringLiteral("Workspace closed");
        case HistoryKind::DeviceAdded:
            return QStringLiteral("Device added");
        case HistoryKind::DeviceEdited:
            return QStringLiteral("Device edited");
        case HistoryKind::DeviceDeleted:
            return QStringLiteral("Device deleted");
        case HistoryKind::KeySent:
            return QStringLiteral("Key sent");
        case HistoryKind::MacroStarted:
            return QStringLiteral("Macro started");
        case HistoryKind::MacroEnded:
            return QStringLiteral("Macro ended");
        case HistoryKind::PortChanged:
            return QStringLiteral("Port changed");
        case HistoryKind::ReadOnlySet:
            return QStringLiteral("Read only set");
        case HistoryKind::ReadOnlyCleared:
            return QStringLiteral("Read only cleared");
    }
    // A kind a later version wrote into a shared file.
    return QStringLiteral("Kind %1").arg(static_cast<int>(kind));
}

bool IsFailureKind(HistoryKind kind) {
    return kind == HistoryKind::DeviceFailing || kind == HistoryKind::LineLost ||
           kind == HistoryKind::LineCannotOpen;
}

QString RowDeviceLabel(const HistoryRow& row) {
    if (row.device < 0 || row.device > 255) {
        return {};
    }
    return DeviceLabel(static_cast<std::uint8_t>(row.device), row.deviceName);
}

}  // namespace k4
