// SPDX-License-Identifier: GPL-3.0-or-later
#include "port/telnetcomport.h"

namespace k4 {

namespace {

// Telnet commands (RFC 854) and the options the console speaks.
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// COM-port option requests; the far end answers each with the code plus 100.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kAnswerOffset = 100;
constexpr std::uint8_t kControlDtrOn = 8;

constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kStopOne = 1;

bool Wanted(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

void Command(std::vector<std::uint8_t>& out, std::uint8_t verb, std::uint8_t option) {
    out.insert(out.end(), {kIac, verb, option});
}

void ComPortRequest(std::vector<std::uint8_t>& out, std::uint8_t code,
                    std::initializer_list<std::uint8_t> value) {
    out.insert(out.end(), {kIac, kSb, kComPort, code});
    for (const std::uint8_t byte : value) {
        TelnetComPort::escape(&byte, 1, out);
    }
    out.insert(out.end(), {kIac, kSe});
}

}  // namespace

ComPortSettings KvtLineSettings() {
    return {28800, 8, kParityNone, kStopOne};
}

std::vector<std::uint8_t> TelnetComPort::opening(const ComPortSettings& settings) {
    std::vector<std::uint8_t> out;
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead, kComPort}) {
        local_[option] = true;
        Command(out, kWill, option);
    }
    for (const std::uint8_t option : {kBinary, kSuppressGoAhead}) {
        remote_[option] = true;
        Command(out, kDo, option);
    }
    // Sent at once: a far end that declines the option ignores them, and the answers say
    // whether they took effect.
    const std::uint32_t baud = settings.baud;
    ComPortRequest(out, kSetBaudRate,
                   {static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
                    static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)});
    ComPortRequest(out, kSetDataSize, {settings.dataBits});
    ComPortRequest(out, kSetParity, {settings.parity});
    ComPortRequest(out, kSetStopSize, {settings.stopBits});
    ComPortRequest(out, kSetControl, {kControlDtrOn});
    return out;
}

void TelnetComPort::escape(const std::uint8_t* data, std::size_t size,
                           std::vector<std::uint8_t>& out) {
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(data[i]);
        if (data[i] == kIac) {
            out.push_back(kIac);
        }
    }
}

void TelnetComPort::receive(const std::uint8_t* bytes, std::size_t size,
                            std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& reply) {
    for (std::size_t i = 0; i < size && !overrun_; ++i) {
        const std::uint8_t byte = bytes[i];
        if (state_ == State::Sub || state_ == State::SubIac) {
            if (++subBytes_ > kMaxSubnegotiation) {
                overrun_ = true;
                sub_.clear();
                break;
            }
        }
        switch (state_) {
            case State::Data:
                if (byte == kIac) {
                    state_ = State::Iac;
                } else {
                    data.push_back(byte);
                }
                break;
            case State::Iac:
                if (byte == kIac) {
                    data.push_back(kIac);
                    state_ = State::Data;
                } else if (byte >= kWill && byte <= kDont) {
                    verb_ = byte;
                    state_ = State::Option;
                } else if (byte == kSb) {
                    sub_.clear();
                    subBytes_ = 0;
                    state_ = State::Sub;
                } else {
                    state_ = State::Data;  // NOP, go-ahead and the like carry nothing for us
                }
                break;
            case State::Option:
                onOption(verb_, byte, reply);
                state_ = State::Data;
                break;
            case State::Sub:
                if (byte == kIac) {
                    state_ = State::SubIac;
                } else {
                    sub_.push_back(byte);
                }
                break;
            case State::SubIac:
                if (byte == kIac) {
                    sub_.push_back(kIac);
                    state_ = State::Sub;
                } else {
                    onSubnegotiation();
                    // IAC SE ends it; any other command ends it too and is taken as such.
                    state_ = State::Iac;
                    if (byte == kSe) {
                        state_ = State::Data;
                    } else {
                        --i;
                    }
                }
                break;
        }
    }
}

void TelnetComPort::onOption(std::uint8_t verb, std::uint8_t option,
                             std::vector<std::uint8_t>& reply) {
    // An answer goes out only when an option changes state, so negotiation cannot loop.
    switch (verb) {
        case kDo:
            if (!Wanted(option)) {
                if (!declinedLocal_[option]) {
                    declinedLocal_[option] = true;
                    Command(reply, kWont, option);
                }
            } else if (!local_[option]) {
                local_[option] = true;
                Command(reply, kWill, option);
            }
            break;
        case kDont:
            if (option == kComPort) {
                comPortRefused_ = true;
            }
            if (local_[option]) {
                local_[option] = false;
                Command(reply, kWont, option);
            }
            break;
        case kWill:
            if (!Wanted(option)) {
                if (!declinedRemote_[option]) {
                    declinedRemote_[option] = true;
                    Command(reply, kDont, option);
                }
            } else if (!remote_[option]) {
                remote_[option] = true;
                Command(reply, kDo, option);
            }
            break;
        case kWont:
            if (remote_[option]) {
                remote_[option] = false;
                Command(reply, kDont, option);
            }
            break;
        default:
            break;
    }
}

void TelnetComPort::onSubnegotiation() {
    if (sub_.size() < 3 || sub_[0] != kComPort) {
        return;
    }
    const std::uint8_t code = sub_[1];
    const std::uint8_t first = sub_[2];
    switch (code) {
        case kAnswerOffset + kSetBaudRate:
            if (sub_.size() >= 6) {
                baud_ = (std::uint32_t{sub_[2]} << 24) | (std::uint32_t{sub_[3]} << 16) |
                        (std::uint32_t{sub_[4]} << 8) | std::uint32_t{sub_[5]};
            }
            break;
        case kAnswerOffset + kSetDataSize:
            dataBits_ = first;
            break;
        case kAnswerOffset + kSetParity:
            parity_ = first;
            break;
        case kAnswerOffset + kSetStopSize:
            stopBits_ = first;
            break;
        default:
            break;  // line and modem state notices, the DTR answer: nothing the link uses
    }
}

bool TelnetComPort::settingsAnswered() const {
    return baud_ && dataBits_ && parity_ && stopBits_;
}

ComPortSettings TelnetComPort::answeredSettings() const {
    return {baud_.value_or(0), dataBits_.value_or(0), parity_.value_or(0), stopBits_.value_or(0)};
}

}  // namespace k4
