// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/exchange.h"

#include "link/frame.h"
#include "link/linequiet.h"

#include <algorithm>
#include <array>

namespace k4 {

namespace {

void Report(ExchangeEffects& effects, const DeviceRecord& r, LinkEvent::Kind kind) {
    LinkEvent e = StampedEvent(kind);
    e.address = r.DevID.load(std::memory_order_acquire);
    const HealthCounts counts = r.Health.counts();
    if (kind == LinkEvent::Kind::DeviceFailing || kind == LinkEvent::Kind::DeviceBack) {
        e.episode = counts.episodes;
        e.failures = r.Health.episodeFailures();
        e.sinceNs = r.Health.episodeStartNs();
    }
    effects.linkEvent(e);
}

// A display reply of the device in record r. The flags byte is read once: a workspace closing
// meanwhile must not leave cells written without the repaint that goes with them.
void ProcessDisplayReply(DeviceRecord& r, const std::array<std::uint8_t, kDisplayReplySize>& reply,
                         ExchangeEffects& effects) {
    const bool showsCells = r.flags.load(std::memory_order_acquire) != 0;
    const PanelHandle panel = r.Panel.load(std::memory_order_acquire);
    const NodeHandle node = r.Node.load(std::memory_order_acquire);

    std::uint8_t highlightMask = 0;
    if ((reply[1] & kAttentionBit) != 0 && r.Attention.load() == 0) {
        effects.showPanel(panel);
        effects.setNodeImage(node, kIconAttention);
        effects.repaintTree();
        r.Attention.store(1);
        highlightMask = kHighlightBit;
    }
    if (showsCells) {
        DisplayCells cells;
        std::copy_n(reply.begin() + 1, kDisplayCells, cells.begin());
        effects.writeCells(panel, cells, highlightMask);
    }
    if (highlightMask == 0 && r.Attention.load() != 0) {
        effects.setNodeImage(node, kIconNormal);
        effects.repaintTree();
        r.Attention.store(0);
    }
    if (showsCells) {
        effects.repaintPanel(panel);
    }
    // The latch above blinks while the device holds its bit; a record keeps the bit's turns.
    const bool attention = (reply[1] & kAttentionBit) != 0;
    if (r.Health.noteAttentionBit(attention)) {
        Report(effects, r,
               attention ? LinkEvent::Kind::AttentionRaised : LinkEvent::Kind::AttentionCleared);
    }
    // Last, so a device that recovers straight into an attention phase shows icon 0 first.
    if (r.CommError.load() != 0) {
        effects.setNodeImage(node, kIconNormal);
        effects.repaintTree();
        r.CommError.store(0);
        Report(effects, r, LinkEvent::Kind::DeviceBack);
    }
}

// A failed exchange: the error text every time, the rest once per failure episode.
void ProcessFailure(DeviceRecord& r, ExchangeEffects& effects) {
    // Counted here, whatever failed (no reply, a write that never left, an ID the line cannot
    // carry); read before the latch is set below: the first failure opens an episode.
    r.Health.noteFailure(r.CommError.load() == 0);
    const bool showsCells = r.flags.load(std::memory_order_acquire) != 0;
    const PanelHandle panel = r.Panel.load(std::memory_order_acquire);
    const NodeHandle node = r.Node.load(std::memory_order_acquire);

    if (showsCells) {
        effects.showCommError(panel);
    }
    if (r.CommError.load() == 0) {
        if (showsCells) {
            effects.repaintPanel(panel);
        }
        effects.setNodeImage(node, kIconCommError);
        effects.repaintTree();
        effects.showPanel(panel);
        effects.beep();
        r.CommError.store(1);
        Report(effects, r, LinkEvent::Kind::DeviceFailing);
    }
}

// A request that got no usable reply, or never left. A stop of the link may have cut it short:
// that says nothing about the device. Otherwise the line is left quiet first, since the device
// may still answer late (or answer the part of a frame that left), and the device fails.
ExchangeResult EndWithoutReply(DeviceRecord& r, SerialIo& port, ExchangeEffects& effects) {
    if (port.stopping()) {
        return ExchangeResult::Stopped;
    }
    AwaitQuietLine(port);
    ProcessFailure(r, effects);
    return ExchangeResult::Failed;
}

}  // namespace

ExchangeResult Exchange(DeviceTable& table, SerialIo& port, std::uint8_t address, std::uint8_t key,
                        ExchangeEffects& effects, LineCapture* capture) {
    const int index = table.indexOfAddress(address);
    if (index < 0) {
        return ExchangeResult::NoDevice;
    }
    DeviceRecord& r = table[index];
    // A hand-edited workspace can hold an ID beyond 127: sent, it would read as a lead byte on the
    // line (253 is one). Such a device fails every exchange without a byte going out.
    if (address > kMaxAddress) {
        if (capture != nullptr) {
            capture->recordNotSent(MakeRequest(address, key));
        }
        ProcessFailure(r, effects);
        return ExchangeResult::Failed;
    }

    const RequestFrame request = MakeRequest(address, key);
    port.purgeReceive();
    if (!port.write(request.data(), request.size())) {
        // The frame did not leave in time and was dropped: no reply can come.
        if (capture != nullptr) {
            capture->recordNotSent(request);
        }
        return EndWithoutReply(r, port, effects);
    }

    std::array<std::uint8_t, kDisplayReplySize> reply{};
    const auto sentAt = capture != nullptr ? LineCapture::SteadyClock::now()
                                           : LineCapture::SteadyClock::time_point{};
    const std::size_t n = port.read(reply.data(), reply.size());
    if (capture != nullptr) {
        capture->recordExchange(request, reply.data(), n, sentAt, port.lastByteAt());
    }

    switch (ClassifyReply(n)) {
        case ReplyKind::Display:
            r.Health.noteReply(HealthClockNs());
            ProcessDisplayReply(r, reply, effects);
            return ExchangeResult::Replied;
        case ReplyKind::TwoByte:
            r.Health.noteReply(HealthClockNs());
            return ExchangeResult::Replied;
        case ReplyKind::Failure:
            break;
    }
    return EndWithoutReply(r, port, effects);
}

}  // namespace k4
