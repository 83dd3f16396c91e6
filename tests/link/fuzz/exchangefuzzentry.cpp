// SPDX-License-Identifier: GPL-3.0-or-later
#include "exchangefuzzentry.h"

#include "core/devicetable.h"
#include "link/exchange.h"
#include "link/frame.h"
#include "link/linequiet.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <vector>

namespace k4fuzz {

namespace {

constexpr int kMaxRecords = 8;
constexpr int kMaxExchanges = 64;
constexpr int kReadTotalMs = 40;
constexpr int kByteGapMs = 10;
constexpr k4::PanelHandle kFirstPanel = 100;
constexpr k4::NodeHandle kFirstNode = 200;

SessionCounts lastCounts;

void require(bool holds, const char* rule) {
    if (!holds) {
        std::fprintf(stderr, "exchange fuzz: broken rule: %s\n", rule);
        std::abort();
    }
}

// Hands out the input a byte at a time; past its end every byte reads 0.
class InputBytes {
public:
    explicit InputBytes(const QByteArray& input) : input_(input) {}
    std::uint8_t next() {
        return at_ < input_.size() ? static_cast<std::uint8_t>(input_[at_++]) : 0;
    }
    bool done() const { return at_ >= input_.size(); }

private:
    const QByteArray& input_;
    qsizetype at_ = 0;
};

// A piece of a reply and when it arrives, in ms after the request went out.
struct Piece {
    int atMs = 0;
    std::vector<std::uint8_t> bytes;
};

// The line as the exchange sees it: the receive queue holds what arrived before the request
// (dropped by the purge); a read takes pieces as the port's time-outs would (40 ms in total, at
// most 10 ms between two pieces) up to the size asked for.
class FuzzPort final : public k4::SerialIo {
public:
    bool open() override { return true; }
    void close() override {}
    bool isOpen() const override { return true; }
    void purgeReceive() override {
        purged = true;
        queued.clear();
    }
    bool write(const std::uint8_t* data, std::size_t size) override {
        written.assign(data, data + size);
        require(purged, "the receive queue is purged before the request goes out");
        answered = false;
        return true;
    }
    std::size_t read(std::uint8_t* buffer, std::size_t max) override {
        require(!written.empty(), "a read follows a request");
        require(max <= k4::kDisplayReplySize || max == k4::kQuietReadSize,
                "a read asks for one display reply at most, or waits for a quiet line");
        // The reply is handed out once a request: the wait for a quiet line that may follow
        // finds the line quiet at once, so an input costs no time on the clock.
        if (answered) {
            return 0;
        }
        answered = true;
        std::size_t n = 0;
        int lastMs = -1;
        for (const Piece& piece : reply) {
            const bool inTime =
                piece.atMs <= kReadTotalMs && (lastMs < 0 || piece.atMs - lastMs <= kByteGapMs);
            if (!inTime || n == max) {
                break;
            }
            const std::size_t take = std::min(max - n, piece.bytes.size());
            std::copy_n(piece.bytes.begin(), take, buffer + n);
            n += take;
            lastMs = piece.atMs;
        }
        readCount = n;
        std::memcpy(delivered.data(), buffer, std::min(n, delivered.size()));
        return n;
    }

    std::vector<std::uint8_t> queued;
    std::vector<Piece> reply;
    std::vector<std::uint8_t> written;
    std::array<std::uint8_t, k4::kDisplayReplySize> delivered{};
    std::size_t readCount = 0;
    bool purged = false;
    bool answered = false;
};

// How many effects of each kind an exchange had.
struct EffectCounts {
    int cellWrites = 0;
    int errorTexts = 0;
    int raises = 0;
    int beeps = 0;
};

// Each panel's display buffer; the effects are counted per kind.
class FuzzEffects final : public k4::ExchangeEffects {
public:
    void addPanel(k4::PanelHandle panel) { panels[panel].fill(0); }
    EffectCounts counts() const { return {cellWrites, errorTexts, raises, beeps}; }
    void writeCells(k4::PanelHandle panel, const k4::DisplayCells& cells,
                    std::uint8_t mask) override {
        const auto it = panels.find(panel);
        require(it != panels.end(), "cells go only to a panel's display buffer");
        for (std::size_t i = 0; i < cells.size(); ++i) {
            it->second[i] = static_cast<std::uint8_t>(cells[i] | mask);
        }
        ++cellWrites;
        lastMask = mask;
    }
    void showCommError(k4::PanelHandle panel) override {
        require(panels.count(panel) == 1, "the error text goes only to a panel");
        ++errorTexts;
    }
    void repaintPanel(k4::PanelHandle) override {}
    void showPanel(k4::PanelHandle) override { ++raises; }
    void setNodeImage(k4::NodeHandle node, int image) override {
        require(node >= kFirstNode && node < kFirstNode + kMaxRecords, "images go to a node");
        require(
            image == k4::kIconNormal || image == k4::kIconCommError || image == k4::kIconAttention,
            "a node shows a device picture");
    }
    void repaintTree() override {}
    void beep() override { ++beeps; }

    std::map<k4::PanelHandle, k4::DisplayCells> panels;
    int cellWrites = 0;
    int errorTexts = 0;
    int raises = 0;
    int beeps = 0;
    std::uint8_t lastMask = 0;
};

// What an exchange may change of a record (its latches) and what it must not.
struct RecordSnapshot {
    k4::PanelHandle panel;
    k4::NodeHandle node;
    std::uint8_t devId;
    std::uint8_t flags;
    std::uint8_t commError;
    std::uint8_t attention;
};

RecordSnapshot Snapshot(const k4::DeviceRecord& r) {
    return {r.Panel.load(), r.Node.load(),      r.DevID.load(),
            r.flags.load(), r.CommError.load(), r.Attention.load()};
}

// Only the records of the session: the exchange looks no further than LastIndex, and the slots
// beyond it are checked once, after the session.
std::array<RecordSnapshot, kMaxRecords> Snapshot(const k4::DeviceTable& table, int records) {
    std::array<RecordSnapshot, kMaxRecords> out{};
    for (int i = 0; i < records; ++i) {
        out[static_cast<std::size_t>(i)] = Snapshot(table[i]);
    }
    return out;
}

// The reply to one request, all from input: noise already waiting, then up to four pieces.
void ScriptReply(InputBytes& in, FuzzPort& port) {
    port.queued.assign(in.next() % 4, 0xEE);
    port.reply.clear();
    const std::uint8_t shape = in.next();
    const int pieces = shape % 4 + 1;
    // Most replies are of a length that means something; any other length is tried too.
    static constexpr std::array<int, 4> kLengths{51, 2, 0, -1};
    int length = kLengths[(shape >> 2) % 4];
    if (length < 0) {
        length = in.next() % 60;
    }
    int atMs = in.next() % 48;
    for (int p = 0; p < pieces && length > 0; ++p) {
        Piece piece;
        piece.atMs = atMs;
        const int size = p + 1 == pieces ? length : std::min<int>(length, in.next() % 52);
        for (int i = 0; i < size; ++i) {
            piece.bytes.push_back(in.next());
        }
        length -= size;
        port.reply.push_back(std::move(piece));
        atMs += in.next() % 14;
    }
}

}  // namespace

void CheckExchangeInput(const QByteArray& input) {
    InputBytes in(input);
    k4::DeviceTable table;
    FuzzEffects effects;
    const int records = in.next() % kMaxRecords + 1;
    for (int i = 0; i < records; ++i) {
        k4::DeviceRecord& r = table[i];
        r.DevID.store(in.next() & 0x7F);
        const std::uint8_t bits = in.next();
        r.flags.store(bits & k4::kInUseFlag);
        r.CommError.store((bits >> 1) & 1);
        r.Attention.store((bits >> 2) & 1);
        r.Panel.store(kFirstPanel + static_cast<k4::PanelHandle>(i));
        r.Node.store(kFirstNode + static_cast<k4::NodeHandle>(i));
        r.DeviceName = QStringLiteral("Unit %1").arg(i);
        effects.addPanel(r.Panel.load());
    }
    table.setLastIndex(records - 1);

    FuzzPort port;
    SessionCounts counts;
    for (int step = 0; step < kMaxExchanges && !in.done(); ++step) {
        const std::uint8_t op = in.next();
        const std::uint8_t address =
            (op & 0x80) != 0 ? (in.next() & 0x7F) : table[op % records].DevID.load();
        const std::uint8_t key = in.next() & 0x7F;
        ScriptReply(in, port);
        port.written.clear();
        port.purged = false;
        port.readCount = 0;

        const auto before = Snapshot(table, records);
        const int index = table.indexOfAddress(address);
        const EffectCounts counted = effects.counts();
        k4::Exchange(table, port, address, key, effects);
        const auto after = Snapshot(table, records);

        require(table.lastIndex() == records - 1, "a reply never changes LastIndex");
        if (index < 0) {
            require(port.written.empty(), "an address of no record sends nothing");
        } else {
            require(port.written.size() == k4::kRequestSize, "a request is four bytes");
            require(port.written[0] == k4::kFrameLead && port.written[1] == address &&
                        port.written[2] == key,
                    "the request names its address and key");
        }
        for (int i = 0; i < records; ++i) {
            const RecordSnapshot& b = before[static_cast<std::size_t>(i)];
            const RecordSnapshot& a = after[static_cast<std::size_t>(i)];
            require(
                a.panel == b.panel && a.node == b.node && a.devId == b.devId && a.flags == b.flags,
                "a reply never changes the device table");
            if (i != index) {
                require(a.commError == b.commError && a.attention == b.attention,
                        "only the addressed record's latches change");
            }
        }
        if (index < 0) {
            continue;
        }
        const RecordSnapshot& b = before[static_cast<std::size_t>(index)];
        const RecordSnapshot& a = after[static_cast<std::size_t>(index)];
        const k4::PanelHandle panel = b.panel;
        switch (k4::ClassifyReply(port.readCount)) {
            case k4::ReplyKind::TwoByte:
                require(a.commError == b.commError && a.attention == b.attention,
                        "a two-byte reply changes no latch");
                require(effects.cellWrites == counted.cellWrites &&
                            effects.beeps == counted.beeps && effects.raises == counted.raises,
                        "a two-byte reply has no effect");
                break;
            case k4::ReplyKind::Failure:
                require(a.commError == 1 && a.attention == b.attention,
                        "a failure sets CommError and leaves Attention");
                require(effects.cellWrites == counted.cellWrites, "a failure writes no cells");
                require(effects.beeps == counted.beeps + (b.commError == 0 ? 1 : 0),
                        "one beep at the start of a failure episode, none after");
                break;
            case k4::ReplyKind::Display: {
                ++counts.displayReplies;
                const bool attentionBit = (port.delivered[1] & k4::kAttentionBit) != 0;
                const bool phaseStarts = attentionBit && b.attention == 0;
                require(a.commError == 0, "a display reply ends a failure episode");
                require(a.attention == (phaseStarts ? 1 : 0),
                        "Attention follows the attention bit as the phases alternate");
                require(effects.beeps == counted.beeps, "a display reply never beeps");
                if (b.flags == 0) {
                    require(effects.cellWrites == counted.cellWrites,
                            "no cells for a record without flags");
                    break;
                }
                require(effects.cellWrites == counted.cellWrites + 1, "one display write");
                const std::uint8_t mask = phaseStarts ? k4::kHighlightBit : 0;
                const k4::DisplayCells& cells = effects.panels.at(panel);
                for (std::size_t c = 0; c < cells.size(); ++c) {
                    require(cells[c] == (port.delivered[c + 1] | mask),
                            "the cells are reply bytes 1 to 48");
                }
                break;
            }
        }
    }
    for (int i = 0; i < k4::DeviceTable::kSlots; ++i) {
        const k4::DeviceRecord& r = table[i];
        require(i < records
                    ? r.DeviceName == QStringLiteral("Unit %1").arg(i)
                    : r.DeviceName.isEmpty() && r.Panel.load() == k4::kNoHandle &&
                          r.flags.load() == 0 && r.CommError.load() == 0 && r.Attention.load() == 0,
                "a session never changes the device table beyond its latches");
    }
    lastCounts = counts;
}

SessionCounts LastSessionCounts() {
    return lastCounts;
}

}  // namespace k4fuzz
