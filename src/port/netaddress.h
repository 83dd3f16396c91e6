// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace k4 {

// How a line on the network is reached.
enum class NetScheme : std::uint8_t {
    Rfc2217,  // Telnet with the COM-port option: the console sets the far end's line
    RawTcp,   // plain bytes: the far end's line settings are the terminal server's own
};

// A port's device that is a line on a terminal server: rfc2217://host:port or tcp://host:port.
struct NetAddress {
    NetScheme scheme = NetScheme::Rfc2217;
    QString host;  // a name, an IPv4 address, or an IPv6 address without its brackets
    std::uint16_t port = 0;
};

// Whether the text is meant as a network address (it names a scheme) rather than a device path.
bool IsNetAddress(const QString& text);

// The address in the text; nullopt when the text is no well-formed network address.
std::optional<NetAddress> ParseNetAddress(const QString& text);

// What is wrong with a network address, for the operator ("only rfc2217:// and tcp:// addresses
// are known"); empty when it is well formed or no network address at all.
QString NetAddressProblem(const QString& text);
// A line for the operator about a typed network address, empty when it is well formed (or when
// the text is no network address at all).
QString NetAddressWarning(const QString& text);

}  // namespace k4
