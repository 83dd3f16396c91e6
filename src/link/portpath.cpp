#include "link/portpath.h"

#include "core/profilefile.h"
#include "link/qtserialio.h"

#include <QFileInfo>

namespace k4 {

namespace {

QString PlatformPortPath(int portNumber) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(portNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

}  // namespace

QString PortPath(int portNumber, const QString& settingsPath) {
    if (portNumber < 1) {
        return {};
    }
    if (!settingsPath.isEmpty() && QFileInfo::exists(settingsPath)) {
        const QByteArray key = "COM" + QByteArray::number(portNumber);
        const QByteArray mapped = ProfileFile::GetString(settingsPath, "KVT_PORTS", key, {}, 1024);
        if (!mapped.isEmpty()) {
            return QString::fromLocal8Bit(mapped);
        }
    }
    return PlatformPortPath(portNumber);
}

PortFactory DefaultPortFactory(QString settingsPath) {
    return [settingsPath = std::move(settingsPath)](int portNumber) -> std::unique_ptr<SerialIo> {
        return std::make_unique<QtSerialIo>(PortPath(portNumber, settingsPath));
    };
}

}  // namespace k4
