#include "port/netport.h"

#include "core/profilefile.h"
#include "port/netserialio.h"
#include "port/portchoice.h"

#include <QFileInfo>

#include <algorithm>

namespace k4 {

QByteArray MarginKey(int portNumber) {
    return "COM" + QByteArray::number(portNumber) + "Margin";
}

int PortMargin(int portNumber, const QString& settingsPath) {
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
