// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/netport.h"

#include "core/profilefile.h"
#include "port/netserialio.h"
#include "port/portchoice.h"

#include <QFileInfo>

#include <algorithm>
#include <map>
#include <mutex>

namespace k4 {

QByteArray MarginKey(int portNumber) {
    return "COM" + QByteArray::number(portNumber) + "Margin";
}

namespace {

// Set on the GUI thread, read where a port is made (on the link thread).
std::mutex unsavedMutex;
std::map<int, int>& UnsavedMargins() {
    static std::map<int, int> margins;
    return margins;
}

}  // namespace

void SetUnsavedPortMargin(int portNumber, std::optional<int> marginMs) {
    const std::lock_guard lock(unsavedMutex);
    if (marginMs) {
        UnsavedMargins()[portNumber] = std::clamp(*marginMs, 0, kMaxMarginMs);
    } else {
        UnsavedMargins().erase(portNumber);
    }
}

int PortMargin(int portNumber, const QString& settingsPath) {
    {
        const std::lock_guard lock(unsavedMutex);
        const auto unsaved = UnsavedMargins().find(portNumber);
        if (unsaved != UnsavedMargins().end()) {
            return unsaved->second;
        }
    }
    if (settingsPath.isEmpty() || !QFileInfo::exists(settingsPath)) {
        return kDefaultMarginMs;
    }
    const int margin =
        ProfileFile::GetInt(settingsPath, kPortsSection, MarginKey(portNumber), kDefaultMarginMs);
    return std::clamp(margin, 0, kMaxMarginMs);
}

std::unique_ptr<SerialIo> MakeNetPort(const QString& address, std::chrono::milliseconds margin) {
    return std::make_unique<NetSerialIo>(address, margin);
}

}  // namespace k4
