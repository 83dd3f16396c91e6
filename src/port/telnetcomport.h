// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace k4 {

// The line settings a terminal server is asked to run its serial port at.
struct ComPortSettings {
    std::uint32_t baud = 0;
    std::uint8_t dataBits = 0;
    std::uint8_t parity = 0;    // the option's own numbering: 1 none, 2 odd, 3 even
    std::uint8_t stopBits = 0;  // the option's own numbering: 1 one, 2 two, 3 one and a half
    friend bool operator==(const ComPortSettings&, const ComPortSettings&) = default;
};

// 28800 baud, 8 data bits, no parity, 1 stop bit.
ComPortSettings KvtLineSettings();

// The Telnet side of a line on a terminal server (the COM-port control option, RFC 2217),
// without any socket: bytes to send come out of it, received bytes go into it. Data bytes of
// value 0xFF are doubled on the way out and undoubled on the way in; option negotiation is
// answered so that it always ends (an option is only ever answered when its state changes).
class TelnetComPort {
public:
    // What the console sends first: its options (binary both ways, suppress go-ahead, COM port)
    // and the requests that set the far end's line to settings and raise DTR.
    std::vector<std::uint8_t> opening(const ComPortSettings& settings);

    // Data for the far end, with every 0xFF doubled.
    static void escape(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out);

    // Takes bytes as they came from the far end (they may break anywhere, even inside a command):
    // the line's data goes to data, answers the negotiation needs go to reply.
    void receive(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& data,
                 std::vector<std::uint8_t>& reply);

    // The line settings the far end reported in force, each once it has answered.
    const std::optional<std::uint32_t>& baud() const { return baud_; }
    const std::optional<std::uint8_t>& dataBits() const { return dataBits_; }
    const std::optional<std::uint8_t>& parity() const { return parity_; }
    const std::optional<std::uint8_t>& stopBits() const { return stopBits_; }
    // True once every setting has been answered.
    bool settingsAnswered() const;
    // The answered settings; meaningful once settingsAnswered().
    ComPortSettings answeredSettings() const;
    // True when the far end declined the COM-port option: it cannot set the line.
    bool comPortRefused() const { return comPortRefused_; }

    // The longest subnegotiation taken, counted whole (IAC SB to IAC SE, doubled FF bytes
    // included); the console's own answers need a dozen bytes.
    static constexpr std::size_t kMaxSubnegotiation = 256;
    // True once the far end has sent a longer one: the stream can no longer be trusted, and
    // nothing after it is taken.
    bool overrun() const { return overrun_; }

private:
    enum class State : std::uint8_t { Data, Iac, Option, Sub, SubIac };

    void onOption(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply);
    void onSubnegotiation();

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::vector<std::uint8_t> sub_;
    std::size_t subBytes_ = 0;  // raw bytes of the subnegotiation in progress
    // Per option: enabled on this side (we WILL) and on the far side (it WILL).
    std::array<bool, 256> local_{};
    std::array<bool, 256> remote_{};
    // Per option the console does not speak: already declined on this side, on the far side.
    std::array<bool, 256> declinedLocal_{};
    std::array<bool, 256> declinedRemote_{};
    std::optional<std::uint32_t> baud_;
    std::optional<std::uint8_t> dataBits_;
    std::optional<std::uint8_t> parity_;
    std::optional<std::uint8_t> stopBits_;
    bool comPortRefused_ = false;
    bool overrun_ = false;
};

}  // namespace k4
