// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metricssettings.h"

#include "core/profilefile.h"

#include <QFile>

namespace k4 {

namespace {

constexpr int kMaxValueBytes = 1024;
constexpr char kAddressKey[] = "MetricsAddress";
constexpr char kFolderKey[] = "TextfileFolder";

}  // namespace

MetricsSettings ReadMetricsSettings(const QString& settingsPath) {
    const ProfileFile file(settingsPath);
    MetricsSettings settings;
    settings.address =
        QString::fromUtf8(file.readString(kMonitoringSection, kAddressKey, {}, kMaxValueBytes))
            .trimmed();
    settings.textfileFolder =
        QFile::decodeName(file.readString(kMonitoringSection, kFolderKey, {}, kMaxValueBytes));
    return settings;
}

bool SaveMetricsSettings(const QString& settingsPath, const MetricsSettings& settings) {
    ProfileFile file(settingsPath);
    const MetricsSettings stored = ReadMetricsSettings(settingsPath);
    bool changed = false;
    if (stored.address != settings.address) {
        file.writeString(kMonitoringSection, kAddressKey, settings.address.toUtf8());
        changed = true;
    }
    if (stored.textfileFolder != settings.textfileFolder) {
        file.writeString(kMonitoringSection, kFolderKey,
                         QFile::encodeName(settings.textfileFolder));
        changed = true;
    }
    return !changed || file.save();
}

ListenAddress ParseListenAddress(const QString& text) {
    ListenAddress out;
    const QString t = text.trimmed();
    const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        out.error = QStringLiteral("\"%1\" is not host:port, such as %2")
                        .arg(t, QLatin1String(kDefaultMetricsAddress));
        return out;
    }
    QString host = t.left(colon);
    const QString portText = t.mid(colon + 1);
    bool numeric = false;
    const int port = portText.toInt(&numeric);
    if (!numeric || port < 1 || port > 65535 || portText.startsWith(QLatin1Char('+'))) {
        out.error = QStringLiteral("\"%1\" is no port number (1 to 65535)").arg(portText);
        return out;
    }
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed) {
        host = host.mid(1, host.size() - 2);
    } else if (host.contains(QLatin1Char(':'))) {
        out.error = QStringLiteral("an IPv6 address goes in brackets, such as [::1]:9745");
        return out;
    }
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) {
        out.host = QHostAddress(QHostAddress::LocalHost);
    } else if (host == QLatin1String("*")) {
        out.host = QHostAddress(QHostAddress::Any);
    } else if (!out.host.setAddress(host) ||
               (bracketed != (out.host.protocol() == QAbstractSocket::IPv6Protocol))) {
        out.host = QHostAddress();
        out.error = QStringLiteral(
                        "\"%1\" is not an IP address "
                        "(such as 127.0.0.1, [::1] or *)")
                        .arg(host);
        return out;
    }
    out.port = static_cast<std::uint16_t>(port);
    return out;
}

QString ExposureWarning(const ListenAddress& address) {
    if (!address.ok() || address.host.isLoopback()) {
        return {};
    }
    return QStringLiteral(
               "Warning: the endpoint has no authentication. Anyone who can reach "
               "this computer on port %1 can read the device names and their state.")
        .arg(address.port);
}

}  // namespace k4
