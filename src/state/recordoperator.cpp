// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/recordoperator.h"

#include "core/devicetable.h"
#include "history/historykeeper.h"
#include "state/appstate.h"

namespace k4 {

void RecordOperator(HistoryKind kind, const QString& text, int device, const QString& name) {
    if (HistoryKeeper* history = App().History) {
        history->recorder().recordOperator(kind, device, name, text);
    }
}

QString OpenDeviceName(std::uint8_t id) {
    const DeviceTable* table = App().Devices;
    if (table == nullptr) {
        return {};
    }
    const int i = table->indexOfAddress(id);
    return i < 0 ? QString() : (*table)[i].DeviceName;
}

}  // namespace k4
