// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/netaddress.h"

#include <QHostAddress>
#include <QStringList>

#include <algorithm>

namespace k4 {

namespace {

constexpr char kSchemeMark[] = "://";

// One label of a host name: letters, digits, underscores and inner hyphens (an IPv4 address
// passes too). Underscores are not in the letter of the naming rules, but names on real networks
// carry them and resolvers take them.
bool IsHostLabel(QStringView label) {
    if (label.isEmpty() || label.size() > 63 || label.front() == QLatin1Char('-') ||
        label.back() == QLatin1Char('-')) {
        return false;
    }
    for (const QChar c : label) {
        const bool plain = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                           (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
                           c == QLatin1Char('-') || c == QLatin1Char('_');
        if (!plain) {
            return false;
        }
    }
    return true;
}

bool IsHostName(const QString& host) {
    if (host.isEmpty() || host.size() > 253) {
        return false;
    }
    // A trailing dot marks a fully qualified name; the resolver takes it as written.
    const QString bare = host.endsWith(QLatin1Char('.')) ? host.chopped(1) : host;
    const QStringList labels = bare.split(QLatin1Char('.'));
    for (const QString& label : labels) {
        if (!IsHostLabel(label)) {
            return false;
        }
    }
    return true;
}

std::optional<NetScheme> SchemeOf(const QString& name) {
    if (name.compare(QLatin1String("rfc2217"), Qt::CaseInsensitive) == 0) {
        return NetScheme::Rfc2217;
    }
    if (name.compare(QLatin1String("tcp"), Qt::CaseInsensitive) == 0) {
        return NetScheme::RawTcp;
    }
    return std::nullopt;
}

}  // namespace

bool IsNetAddress(const QString& text) {
    return text.contains(QLatin1String(kSchemeMark));
}

std::optional<NetAddress> ParseNetAddress(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype mark = trimmed.indexOf(QLatin1String(kSchemeMark));
    if (mark < 0) {
        return std::nullopt;
    }
    const auto scheme = SchemeOf(trimmed.left(mark));
    if (!scheme) {
        return std::nullopt;
    }
    const QString rest = trimmed.mid(mark + 3);
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        return std::nullopt;
    }
    QString host = rest.left(colon);
    const QString portText = rest.mid(colon + 1);
    bool numeric = false;
    const uint port = portText.toUInt(&numeric);
    // Digits only: toUInt would take a sign or blanks.
    const bool digitsOnly =
        !portText.isEmpty() && portText.size() <= 5 &&
        std::all_of(portText.begin(), portText.end(), [](QChar c) { return c.isDigit(); });
    if (!numeric || !digitsOnly || port < 1 || port > 65535) {
        return std::nullopt;
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
        QHostAddress v6;
        if (!v6.setAddress(host) || v6.protocol() != QAbstractSocket::IPv6Protocol) {
            return std::nullopt;
        }
    } else if (!IsHostName(host)) {
        return std::nullopt;
    }
    return NetAddress{*scheme, host, static_cast<std::uint16_t>(port)};
}

QString NetAddressProblem(const QString& text) {
    const QString trimmed = text.trimmed();
    if (!IsNetAddress(trimmed) || ParseNetAddress(trimmed)) {
        return {};
    }
    const qsizetype mark = trimmed.indexOf(QLatin1String(kSchemeMark));
    const QString scheme = trimmed.left(mark);
    if (!SchemeOf(scheme)) {
        return QStringLiteral("only rfc2217:// and tcp:// addresses are known");
    }
    const QString rest = trimmed.mid(mark + 3);
    const qsizetype colon = rest.lastIndexOf(QLatin1Char(':'));
    const QString host = rest.left(colon);
    QHostAddress v6;
    if (!host.startsWith(QLatin1Char('[')) && v6.setAddress(host) &&
        v6.protocol() == QAbstractSocket::IPv6Protocol) {
        return QStringLiteral("an IPv6 address goes in brackets: write ") + scheme.toLower() +
               QStringLiteral("://[") + host + QStringLiteral("]:") + rest.mid(colon + 1);
    }
    if (!host.startsWith(QLatin1Char('[')) && rest.count(QLatin1Char(':')) > 1) {
        // Perhaps the whole of it is the address, without a port.
        const QString address = v6.setAddress(rest) ? rest : QStringLiteral("address");
        return QStringLiteral("an IPv6 address goes in brackets: write ") + scheme.toLower() +
               QStringLiteral("://[") + address + QStringLiteral("]:port");
    }
    return QStringLiteral("not an address: write ") + scheme.toLower() +
           QStringLiteral("://host:port (port 1 to 65535)");
}

QString NetAddressWarning(const QString& text) {
    const QString problem = NetAddressProblem(text);
    return problem.isEmpty() ? QString()
                             : text.trimmed() + QStringLiteral(": ") + problem + QLatin1Char('.');
}

}  // namespace k4
