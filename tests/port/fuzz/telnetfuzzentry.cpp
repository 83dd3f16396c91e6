// SPDX-License-Identifier: GPL-3.0-or-later
#include "telnetfuzzentry.h"

#include "port/telnetcomport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace k4fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

// Fed a byte at a time, the parser meets a break at every point; besides, the input is cut in two
// (the rest in one piece from a copy of the state at the cut) at every point of a short input and
// at this many points spread over a longer one, so that a long input costs no more.
constexpr std::size_t kMaxCuts = 24;

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSe = 240;
constexpr std::uint8_t kNop = 241;

void require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "telnet fuzz: broken rule: %s\n", rule);
        std::abort();
    }
}

// A parser after its input, with all it gave out.
struct Outcome {
    k4::TelnetComPort port;
    Bytes data;
    Bytes reply;
};

k4::TelnetComPort Fresh(bool opened) {
    k4::TelnetComPort port;
    if (opened) {
        static_cast<void>(port.opening(k4::KvtLineSettings()));
    }
    return port;
}

bool sameSettings(const k4::TelnetComPort& a, const k4::TelnetComPort& b) {
    return a.baud() == b.baud() && a.dataBits() == b.dataBits() && a.parity() == b.parity() &&
           a.stopBits() == b.stopBits() && a.comPortRefused() == b.comPortRefused();
}

// Whether whole ends with tail after its first `from` bytes.
bool endsWith(const Bytes& whole, std::size_t from, const Bytes& tail) {
    return from <= whole.size() && whole.size() - from == tail.size() &&
           std::equal(tail.begin(), tail.end(), whole.begin() + static_cast<std::ptrdiff_t>(from));
}

// Answers are whole option commands (IAC, a verb, an option), never data or subnegotiation.
void requireCommands(const Bytes& reply) {
    require(reply.size() % 3 == 0, "answers are whole commands");
    for (std::size_t i = 0; i < reply.size(); i += 3) {
        require(reply[i] == kIac && reply[i + 1] >= kWill && reply[i + 1] <= kDont,
                "an answer is an option command");
    }
}

// The far end's word that agrees with the console's (DO for its WILL, WONT for its DONT, ...).
std::uint8_t Agreeing(std::uint8_t verb) {
    return verb == kWill ? kDo : verb == kWont ? kDont : verb == kDo ? kWill : kWont;
}

// A far end that agrees with the console's last word on each option, each way, gets no further
// answer: negotiation ends.
void requireNegotiationEnds(k4::TelnetComPort near, Bytes answers) {
    // First close whatever command the stream stopped inside; an option command this completes
    // may be answered, and that answer is a last word too.
    static constexpr std::uint8_t kClose[] = {kIac, kSe, kIac, kNop};
    Bytes data;
    near.receive(kClose, sizeof kClose, data, answers);
    std::array<std::uint8_t, 256> ours{};    // WILL or WONT per option, 0 for none
    std::array<std::uint8_t, 256> theirs{};  // DO or DONT
    for (std::size_t i = 0; i + 2 < answers.size(); i += 3) {
        const std::uint8_t verb = answers[i + 1];
        (verb == kWill || verb == kWont ? ours : theirs)[answers[i + 2]] = verb;
    }
    Bytes agreement;
    for (int option = 0; option < 256; ++option) {
        for (const std::uint8_t verb : {ours[option], theirs[option]}) {
            if (verb != 0) {
                agreement.insert(agreement.end(),
                                 {kIac, Agreeing(verb), static_cast<std::uint8_t>(option)});
            }
        }
    }
    Bytes more;
    near.receive(agreement.data(), agreement.size(), data, more);
    require(more.empty(), "negotiation ends once the far end agrees");
}

}  // namespace

void CheckTelnetInput(const QByteArray& input) {
    if (input.isEmpty()) {
        return;
    }
    const bool opened = (static_cast<std::uint8_t>(input[0]) & 1) != 0;
    const auto* stream = reinterpret_cast<const std::uint8_t*>(input.constData()) + 1;
    const std::size_t size = static_cast<std::size_t>(input.size()) - 1;

    Outcome whole{Fresh(opened), {}, {}};
    whole.port.receive(stream, size, whole.data, whole.reply);
    require(whole.data.size() <= size, "no more data than bytes received");
    require(whole.reply.size() <= size, "an answer per command at most");
    requireCommands(whole.reply);

    // A byte at a time, and at the cut points the rest in one piece from a copy of that state.
    Outcome bytewise{Fresh(opened), {}, {}};
    Bytes restData;  // reused by every cut: a cut costs no allocation for its output
    Bytes restReply;
    restData.reserve(size);
    restReply.reserve(size);
    const std::size_t stride = size <= kMaxCuts ? 1 : size / kMaxCuts;
    for (std::size_t at = 0; at < size; ++at) {
        if (at % stride == 0) {
            k4::TelnetComPort cut = bytewise.port;
            restData.clear();
            restReply.clear();
            cut.receive(stream + at, size - at, restData, restReply);
            require(endsWith(whole.data, bytewise.data.size(), restData) &&
                        endsWith(whole.reply, bytewise.reply.size(), restReply) &&
                        sameSettings(cut, whole.port),
                    "a cut anywhere changes nothing");
        }
        bytewise.port.receive(stream + at, 1, bytewise.data, bytewise.reply);
    }
    require(bytewise.data == whole.data && bytewise.reply == whole.reply &&
                sameSettings(bytewise.port, whole.port),
            "a byte at a time changes nothing");

    requireNegotiationEnds(whole.port, whole.reply);

    // Data escaped on the way out comes back unchanged, with nothing to answer.
    Bytes escaped;
    k4::TelnetComPort::escape(stream, size, escaped);
    Outcome echo{Fresh(opened), {}, {}};
    echo.port.receive(escaped.data(), escaped.size(), echo.data, echo.reply);
    require(echo.data == Bytes(stream, stream + size) && echo.reply.empty() && !echo.port.baud() &&
                !echo.port.comPortRefused(),
            "escaped data comes back unchanged");
}

}  // namespace k4fuzz
