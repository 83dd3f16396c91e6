// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/devicelistchanges.h"

namespace k4 {

namespace {

std::function<void()>& Listener() {
    static std::function<void()> listener;
    return listener;
}

}  // namespace

void DeviceListChanged() {
    if (Listener()) {
        Listener()();
    }
}

void SetDeviceListListener(std::function<void()> listener) {
    Listener() = std::move(listener);
}

}  // namespace k4
